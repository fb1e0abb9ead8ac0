#include <cstdio>
int main() { std::puts("orlofx"); return 0; }
