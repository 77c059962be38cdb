/* Runs a command (a click) and measures how long a region of an X window
 * takes to change afterwards: the time the program takes to answer the
 * event, as the user sees it.  Prints the milliseconds; exits 1 when the
 * region has not changed within the limit. */
#define _POSIX_C_SOURCE 200809L
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

static double NowMs(void) {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000.0 + ts.tv_nsec / 1e6;
}

static int Same(XImage* a, XImage* b, int w, int h) {
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (XGetPixel(a, x, y) != XGetPixel(b, x, y)) return 0;
    return 1;
}

int main(int argc, char** argv) {
    if (argc != 8) {
        fprintf(stderr, "usage: answer_time WINDOW-ID|0 X Y W H LIMIT-MS COMMAND\n");
        return 2;
    }
    Display* d = XOpenDisplay(NULL);
    if (!d) {
        fprintf(stderr, "answer_time: cannot open the display\n");
        return 2;
    }
    /* 0: the root window, whose coordinates are the screen's. */
    Window win = (Window)strtoul(argv[1], NULL, 0);
    if (!win) win = DefaultRootWindow(d);
    int x = atoi(argv[2]), y = atoi(argv[3]), w = atoi(argv[4]), h = atoi(argv[5]);
    double limit = atof(argv[6]);
    XImage* before = XGetImage(d, win, x, y, w, h, AllPlanes, ZPixmap);
    if (!before) {
        fprintf(stderr, "answer_time: cannot read the window\n");
        return 2;
    }
    double start = NowMs();
    if (system(argv[7]) != 0) {
        fprintf(stderr, "answer_time: the command failed\n");
        return 2;
    }
    for (;;) {
        XImage* now = XGetImage(d, win, x, y, w, h, AllPlanes, ZPixmap);
        double at = NowMs() - start;
        int same = now && Same(before, now, w, h);
        if (now) XDestroyImage(now);
        if (!same) {
            printf("%.1f\n", at);
            return at > limit;
        }
        if (at > limit) {
            printf("%.1f\n", at);
            return 1;
        }
        struct timespec pause = {0, 1000000};
        nanosleep(&pause, NULL);
    }
}
