#include "Advice.h"

#include <cstdio>

void PrintAdvice(const char* text)
{
    std::printf("  対処 (what to do): %s\n", text);
}
