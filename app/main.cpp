#include <cstdio>

int main() {
    std::puts("quillmoor");
    return 0;
}
