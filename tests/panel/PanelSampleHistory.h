#pragma once
// A small history with one or more items of every kind, two known applications with icons, a
// pinned item, a long text and an image, for the view tests, the screenshots and the benchmarks.

#include "FakeWorkspace.h"
#include "PanelTestEnv.h"

#include <QPainter>

namespace mendrake::test {

inline QImage sampleImage(int w, int h) {
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(QColor(40, 120, 200));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(250, 200, 60));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(w * 0.7, h * 0.3), h * 0.15, h * 0.15);
    p.setBrush(QColor(30, 80, 50));
    p.drawPolygon(QPolygonF({QPointF(0, h), QPointF(w * 0.35, h * 0.45), QPointF(w * 0.7, h)}));
    return image;
}

inline QImage sampleAppIcon(QColor color) {
    QImage icon(32, 32, QImage::Format_ARGB32);
    icon.fill(Qt::transparent);
    QPainter p(&icon);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(color);
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(2, 2, 28, 28), 7, 7);
    return icon;
}

inline void addSampleHistory(PanelTestEnv& env, FakeWorkspace& workspace) {
    workspace.installed = {{"org.example.Editor", "Editor", "/apps/editor.desktop"},
                           {"org.example.Browser", "Browser", "/apps/browser.desktop"}};
    workspace.iconsByLocation["/apps/editor.desktop"] = sampleAppIcon(QColor(90, 90, 220));
    workspace.iconsByLocation["/apps/browser.desktop"] = sampleAppIcon(QColor(230, 90, 60));

    const double now = env.clock.now();
    auto add = [&](qint64 id, ClipKind kind, const QString& text, double ago, std::optional<QString> app = std::nullopt,
                   bool pinned = false) {
        ClipItem item = makeClip(id, text, now - ago, kind, app, pinned);
        if (app) item.sourceBundleID = QStringLiteral("org.example.") + *app;
        env.store.rows.append(item);
        return item;
    };
    add(1, ClipKind::text, "Meeting notes: ship the panel on Friday, review on Monday.", 20, "Editor");
    add(2, ClipKind::url, "https://www.example.org/articles/clipboard-history?ref=panel", 140, "Browser");
    ClipItem image = add(3, ClipKind::image, "Image 640 × 400", 600);
    image.byteSize = 182'000;
    env.store.rows[2].byteSize = image.byteSize;
    env.store.images[3] = sampleImage(640, 400);
    add(4, ClipKind::file, "3 files\n/home/user/Documents/report-final.pdf\n/home/user/Pictures/holiday.png\n"
                           "/home/user/Projects/mendrake/src/panel/PanelViewModel.cpp", 3600);
    add(5, ClipKind::color, "#FF9500", 7200, "Editor", true);
    add(6, ClipKind::text, "#include <vector>\nint main() {\n    std::vector<int> v{1, 2, 3};\n    return v.size();\n}\n",
        9000, "Editor");
    add(7, ClipKind::richText, "Quarterly report — revenue up 12% year over year", 20'000, "Browser");
    add(8, ClipKind::color, "rgb(52, 199, 89)", 40'000);
    add(9, ClipKind::text, "ssh deploy@build.example.org -p 2222", 90'000);
    add(10, ClipKind::text, "The tenth row shows its age instead of a key badge", 200'000);
    add(11, ClipKind::text, QString(2500, QLatin1Char('x')).replace(0, 30, "A long text of 2500 characters "), 700'000);
    env.store.rows.last().fullLength = 2500;
    env.store.rows.last().text.truncate(2000);
    add(12, ClipKind::color, "not a colour", 1'300'000);
}

}  // namespace mendrake::test
