#include "shell/shell.h"

int main() {
    RunGame();
}
