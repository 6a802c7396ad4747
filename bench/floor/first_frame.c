/* Starts a program and reports how long it took until its window first
 * showed something other than black: the start-up figure of the
 * side-by-side script, taken the same way for every program measured.
 * Run it on an X server with a black root window (Xvfb -br).
 *
 *   k3d-first-frame [-n NAME] [-o FILE] [-t SECONDS] [-s PPM] -- PROGRAM [ARGS...]
 *
 * The window is found by the program's _NET_WM_PID or, with -n, by its
 * title. The program's output goes to FILE (default /dev/null). Prints
 * "pid=PID first_frame_ms=MS" and exits, leaving the program running;
 * with no picture within the time-out it prints first_frame_ms=-1. With -s
 * the first picture is saved as a binary PPM, to compare two builds' first
 * frames pixel by pixel. */
#define _GNU_SOURCE
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

static double NowMs(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

static long WindowPid(Display* display, Window window) {
    static Atom pidAtom = None;
    if (pidAtom == None) pidAtom = XInternAtom(display, "_NET_WM_PID", False);
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = NULL;
    long pid = -1;
    if (XGetWindowProperty(display, window, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format,
                           &count, &after, &data) == Success &&
        data != NULL && count == 1 && format == 32)
        pid = (long)*(unsigned long*)data;
    if (data) XFree(data);
    return pid;
}

static int Matches(Display* display, Window window, pid_t pid, const char* name) {
    if (WindowPid(display, window) == pid) return 1;
    if (name == NULL) return 0;
    char* title = NULL;
    int same = XFetchName(display, window, &title) && title && strcmp(title, name) == 0;
    if (title) XFree(title);
    return same;
}

/* The program's viewable top-level window, or None. */
static Window FindWindow(Display* display, pid_t pid, const char* name) {
    Window root, parent, *children = NULL, found = None;
    unsigned int count = 0;
    if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count))
        return None;
    for (unsigned int i = 0; i < count && found == None; ++i) {
        XWindowAttributes a;
        if (!XGetWindowAttributes(display, children[i], &a)) continue;
        if (a.map_state != IsViewable || a.width < 16 || a.height < 16) continue;
        if (Matches(display, children[i], pid, name)) found = children[i];
    }
    if (children) XFree(children);
    return found;
}

static void SavePicture(XImage* image, const char* path) {
    FILE* file = fopen(path, "wb");
    if (file == NULL) return;
    fprintf(file, "P6\n%d %d\n255\n", image->width, image->height);
    for (int y = 0; y < image->height; ++y)
        for (int x = 0; x < image->width; ++x) {
            const unsigned long p = XGetPixel(image, x, y);
            const unsigned char rgb[3] = {(unsigned char)(p >> 16), (unsigned char)(p >> 8),
                                          (unsigned char)p};
            fwrite(rgb, 1, 3, file);
        }
    fclose(file);
}

static int ShowsPicture(Display* display, Window window, const char* save) {
    XWindowAttributes a;
    if (!XGetWindowAttributes(display, window, &a)) return 0;
    XImage* image = XGetImage(display, window, 0, 0, a.width, a.height, AllPlanes, ZPixmap);
    if (image == NULL) return 0;
    int shown = 0;
    if (image->bits_per_pixel == 32) {
        for (int y = 0; y < image->height && !shown; ++y) {
            const unsigned int* row = (const unsigned int*)(image->data + y * image->bytes_per_line);
            for (int x = 0; x < image->width; ++x)
                if ((row[x] & 0xffffff) != 0) {
                    shown = 1;
                    break;
                }
        }
    } else {
        for (int y = 0; y < image->height && !shown; ++y)
            for (int x = 0; x < image->width; ++x)
                if ((XGetPixel(image, x, y) & 0xffffff) != 0) {
                    shown = 1;
                    break;
                }
    }
    if (shown && save != NULL) SavePicture(image, save);
    XDestroyImage(image);
    return shown;
}

static int IgnoreErrors(Display* display, XErrorEvent* event) {
    (void)display;
    (void)event;
    return 0; /* the window may go away between two requests */
}

int main(int argc, char** argv) {
    const char* name = NULL;
    const char* output = "/dev/null";
    const char* save = NULL;
    double timeoutMs = 30000;
    int i = 1;
    for (; i < argc; ++i) {
        if (strcmp(argv[i], "--") == 0) {
            ++i;
            break;
        } else if (strcmp(argv[i], "-n") == 0 && i + 1 < argc) {
            name = argv[++i];
        } else if (strcmp(argv[i], "-o") == 0 && i + 1 < argc) {
            output = argv[++i];
        } else if (strcmp(argv[i], "-s") == 0 && i + 1 < argc) {
            save = argv[++i];
        } else if (strcmp(argv[i], "-t") == 0 && i + 1 < argc) {
            timeoutMs = atof(argv[++i]) * 1000;
        } else {
            break;
        }
    }
    if (i >= argc) {
        fprintf(stderr, "usage: %s [-n NAME] [-o FILE] [-t SECONDS] [-s PPM] -- PROGRAM [ARGS...]\n",
                argv[0]);
        return 2;
    }
    Display* display = XOpenDisplay(NULL);
    if (display == NULL) {
        fprintf(stderr, "first-frame: no X display\n");
        return 1;
    }
    XSetErrorHandler(IgnoreErrors);

    const double start = NowMs();
    pid_t pid = fork();
    if (pid < 0) return 1;
    if (pid == 0) {
        int fd = open(output, O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd >= 0) {
            dup2(fd, 1);
            dup2(fd, 2);
            close(fd);
        }
        close(ConnectionNumber(display));
        execvp(argv[i], argv + i);
        _exit(127);
    }
    Window window = None;
    double shown = -1;
    while (NowMs() - start < timeoutMs) {
        if (window == None) window = FindWindow(display, pid, name);
        if (window != None && ShowsPicture(display, window, save)) {
            shown = NowMs() - start;
            break;
        }
        usleep(1000);
    }
    printf("pid=%d first_frame_ms=%.1f\n", (int)pid, shown);
    XCloseDisplay(display);
    return 0;
}
