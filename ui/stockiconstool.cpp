// Draws the stock icon strip at build time: setvyn_stock_icons OUTPUT

#include "stockicons.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: setvyn_stock_icons OUTPUT\n");
        return 2;
    }
    if (!vyn::writeStockIconStrip(*QApplication::style(), QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "setvyn_stock_icons: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
