#include <cstdio>

int main() {
    std::puts("pelko-monitor " PELKO_VERSION);
    return 0;
}
