/* Clicks a point of an X window and measures how long a region of it takes
 * to change afterwards: the time the program takes to answer the click, as
 * the user sees it.  The click goes through the XTEST extension, looked up
 * when run (only its run-time library is needed).  Prints the milliseconds
 * from the click to the change; exits 1 when the region has not changed
 * within the limit. */
#define _POSIX_C_SOURCE 200809L
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

typedef int (*FakeMotion)(Display*, int, int, int, unsigned long);
typedef int (*FakeButton)(Display*, unsigned int, Bool, unsigned long);

static double NowMs(void) {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000.0 + ts.tv_nsec / 1e6;
}

static void Pause(long ms) {
    struct timespec t = {ms / 1000, (ms % 1000) * 1000000L};
    nanosleep(&t, NULL);
}

static int Same(XImage* a, XImage* b, int w, int h) {
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (XGetPixel(a, x, y) != XGetPixel(b, x, y)) return 0;
    return 1;
}

int main(int argc, char** argv) {
    if (argc != 9) {
        fprintf(stderr, "usage: answer_time WINDOW-ID|0 X Y W H LIMIT-MS CLICK-X CLICK-Y\n"
                        "  (0: the root window; all coordinates relative to the window)\n");
        return 2;
    }
    void* xtst = dlopen("libXtst.so.6", RTLD_NOW);
    FakeMotion motion = xtst ? (FakeMotion)dlsym(xtst, "XTestFakeMotionEvent") : NULL;
    FakeButton button = xtst ? (FakeButton)dlsym(xtst, "XTestFakeButtonEvent") : NULL;
    Display* d = XOpenDisplay(NULL);
    if (!motion || !button || !d) {
        fprintf(stderr, "answer_time: no display, or no XTEST library\n");
        return 2;
    }
    Window win = (Window)strtoul(argv[1], NULL, 0);
    if (!win) win = DefaultRootWindow(d);
    int x = atoi(argv[2]), y = atoi(argv[3]), w = atoi(argv[4]), h = atoi(argv[5]);
    double limit = atof(argv[6]);
    int cx = 0, cy = 0;
    Window child;
    XTranslateCoordinates(d, win, DefaultRootWindow(d), atoi(argv[7]), atoi(argv[8]), &cx, &cy, &child);

    /* Onto the point first, so the window has seen the pointer arrive. */
    motion(d, -1, cx, cy, CurrentTime);
    XSync(d, False);
    Pause(150);
    XImage* before = XGetImage(d, win, x, y, w, h, AllPlanes, ZPixmap);
    if (!before) {
        fprintf(stderr, "answer_time: cannot read the window\n");
        return 2;
    }
    double start = NowMs();
    button(d, 1, True, CurrentTime);
    button(d, 1, False, CurrentTime);
    XSync(d, False);
    for (;;) {
        XImage* now = XGetImage(d, win, x, y, w, h, AllPlanes, ZPixmap);
        double at = NowMs() - start;
        int same = now && Same(before, now, w, h);
        if (now) XDestroyImage(now);
        if (!same || at > limit) {
            printf("%.1f\n", at);
            return at > limit;
        }
        Pause(1);
    }
}
