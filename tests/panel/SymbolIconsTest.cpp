// The symbol table: no symbol is ever blank, whether the icon theme supplies it or not, and the
// tint is the colour asked for.
#include "ui/SymbolIcons.h"

#include <QImage>
#include <gtest/gtest.h>

using namespace mendrake;

namespace {

struct Ink {
    int painted = 0;
    int offTint = 0;
};

Ink inkOf(const QPixmap& pm, QColor tint) {
    const QImage image = pm.toImage().convertToFormat(QImage::Format_ARGB32);
    Ink ink;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.alpha() < 128) continue;
            ++ink.painted;
            if (std::abs(c.red() - tint.red()) > 40 || std::abs(c.green() - tint.green()) > 40 ||
                std::abs(c.blue() - tint.blue()) > 40)
                ++ink.offTint;
        }
    }
    return ink;
}

TEST(SymbolIconsTest, EverySymbolAndAnUnknownOneDrawSomethingInTheirTint) {
    const QColor tint(200, 30, 30);
    const QStringList names = symbolNames();
    ASSERT_GE(names.size(), 30);
    for (const QString& name : names) {
        for (int size : {14, 24}) {
            const Ink themed = inkOf(symbolPixmap(name, size, tint, 1.0), tint);
            EXPECT_GE(themed.painted, size / 2) << name.toStdString() << " at " << size;
            EXPECT_EQ(themed.offTint, 0) << name.toStdString();
            const Ink drawn = inkOf(drawnSymbolPixmap(name, size, tint, 2.0), tint);
            EXPECT_GE(drawn.painted, size) << "drawn " << name.toStdString() << " at " << size;
        }
        EXPECT_FALSE(symbolIcon(name).isNull()) << name.toStdString();
        EXPECT_FALSE(symbolIcon(name, tint).pixmap(16).isNull()) << name.toStdString();
    }
    // Unknown names still get a glyph.
    EXPECT_FALSE(symbolHasThemeIcon("no.such.symbol"));
    EXPECT_GE(inkOf(symbolPixmap("no.such.symbol", 20, Qt::black), Qt::black).painted, 20);
}

TEST(SymbolIconsTest, TheInstalledThemeSuppliesTheCommonSymbols) {
    // Adwaita ships with the app; if these fall back to drawn glyphs the theme lookup is broken.
    for (const char* name : {"magnifyingglass", "gearshape", "link", "scissors", "doc"})
        EXPECT_TRUE(symbolHasThemeIcon(name)) << name;
}

}  // namespace
