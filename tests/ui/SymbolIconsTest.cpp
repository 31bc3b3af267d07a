#include "ui/SymbolIcons.h"

#include <QImage>
#include <gtest/gtest.h>

namespace mendrake {
namespace {

// No symbol is ever blank, whether the icon theme supplies it or not, and the tint is the colour asked.
TEST(SymbolIcons, EverySymbolDrawsInItsTint) {
    const QColor tint(200, 30, 30);
    auto ink = [&](const QPixmap& pixmap) {
        const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
        int painted = 0, offTint = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                painted += c.alpha() >= 128;
                offTint += c.alpha() >= 128 && std::abs(c.red() - tint.red()) + std::abs(c.green() - tint.green()) +
                                                   std::abs(c.blue() - tint.blue()) > 40;
            }
        return std::pair(painted, offTint);
    };
    const QStringList names = symbolNames() << "no.such.symbol";
    ASSERT_GE(names.size(), 31);
    for (const QString& name : names) {
        for (int size : {14, 24}) {
            const auto [painted, offTint] = ink(symbolPixmap(name, size, tint));
            EXPECT_TRUE(painted >= size / 2 && offTint == 0) << name.toStdString() << size;
            EXPECT_GE(ink(drawnSymbolPixmap(name, size, tint, 2.0)).first, size) << "drawn " << name.toStdString();
        }
        EXPECT_FALSE(symbolIcon(name).isNull()) << name.toStdString();
    }
    EXPECT_FALSE(symbolHasThemeIcon("no.such.symbol"));
    // Adwaita ships with the app; if these fall back to drawn glyphs the theme lookup is broken.
    for (const char* name : {"magnifyingglass", "gearshape", "link", "scissors", "doc"})
        EXPECT_TRUE(symbolHasThemeIcon(name)) << name;
}

}  // namespace
}  // namespace mendrake
