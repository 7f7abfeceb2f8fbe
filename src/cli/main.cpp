// Placeholder until the batch tool lands.
#include <cstdio>
int main() { std::puts("mountwell-frame"); return 0; }
