// A small DLL for the module-list tests: two exports of known size.
#include <windows.h>

extern "C" __declspec(dllexport) __attribute__((noinline)) int TestExportOne(int a, int b) {
    int sum = 0;
    for (int i = a; i < b; ++i) sum += i * i;
    return sum;
}

extern "C" __declspec(dllexport) __attribute__((noinline)) int TestExportTwo(int a) {
    return TestExportOne(0, a) + 1;
}
