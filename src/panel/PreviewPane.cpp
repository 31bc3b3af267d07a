#include "panel/PreviewPane.h"

#include "capture/AppIcon.h"
#include "panel/Formatters.h"
#include "panel/PanelStyle.h"
#include "panel/PanelViewModel.h"
#include "platform/Workspace.h"
#include "store/HistoryStore.h"

#include <QTextDocument>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QRegularExpression>
#include <QStackedWidget>
#include <QTextEdit>
#include <QUrl>
#include <QVBoxLayout>

namespace mendrake {

using namespace panelstyle;

namespace {

QLabel* plainLabel(QWidget* parent, const QFont& font, const QColor& color, bool selectable = false) {
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);  // clip texts are shown as they are, never as markup
    label->setFont(font);
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, color);
    label->setPalette(pal);
    if (selectable) label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

QWidget* divider(QWidget* parent) {
    auto* line = new QWidget(parent);
    line->setFixedHeight(1);
    line->setAutoFillBackground(true);
    QPalette pal = line->palette();
    pal.setColor(QPalette::Window, withAlpha(primary(), 0.12));
    line->setPalette(pal);
    return line;
}

QString trimmed(const QString& s) { return s.trimmed(); }

}  // namespace

// The image scaled to fit the area with its aspect ratio, padded 16 and centred.
class ImageView : public QWidget {
public:
    using QWidget::QWidget;
    void setImage(const QImage& image) {
        image_ = image;
        update();
    }
    const QImage& image() const { return image_; }

protected:
    void paintEvent(QPaintEvent*) override {
        if (image_.isNull()) return;
        const QRectF area = QRectF(rect()).adjusted(16, 16, -16, -16);
        QSizeF size = image_.size();
        size.scale(area.size(), Qt::KeepAspectRatio);
        QPainter p(this);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(QRectF(area.center() - QPointF(size.width() / 2, size.height() / 2), size), image_);
    }

private:
    QImage image_;
};

// One line of text shortened in the middle when it does not fit.
class ElidedLabel : public QWidget {
public:
    using QWidget::QWidget;
    void setText(const QString& text) {
        text_ = text;
        setToolTip(Qt::convertFromPlainText(text));  // a file path, shown as text, never as markup
        update();
    }
    const QString& text() const { return text_; }
    QSize sizeHint() const override { return {100, fontMetrics().height()}; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setPen(primary());
        p.drawText(rect(), Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine,
                   fontMetrics().elidedText(text_, Qt::ElideMiddle, width()));
    }

private:
    QString text_;
};

// A rounded rectangle filled with the colour and outlined faintly, so that even a transparent
// colour shows where the swatch is.
class ColorSwatch : public QWidget {
public:
    using QWidget::QWidget;
    void setColor(const QColor& color) {
        color_ = color;
        update();
    }
    const QColor& color() const { return color_; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        QPainterPath shape;
        shape.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 12, 12);
        p.fillPath(shape, color_);
        p.setPen(QPen(withAlpha(primary(), 0.15), 1));
        p.drawPath(shape);
    }

private:
    QColor color_ = Qt::transparent;
};

// ---- PreviewPane ----

PreviewPane::PreviewPane(PanelViewModel& model, Workspace& workspace, AppIcons& icons, QWidget* parent)
    : QWidget(parent), model_(model), workspace_(workspace) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    stack_ = new QStackedWidget(this);
    stack_->addWidget(new QWidget(stack_));  // blank
    stack_->addWidget(buildTextPage());
    stack_->addWidget(buildLinkPage());
    stack_->addWidget(buildImagePage());
    stack_->addWidget(buildImageMissingPage());
    stack_->addWidget(buildFilesPage());
    stack_->addWidget(buildColorPage());
    layout->addWidget(stack_, 1);
    divider_ = divider(this);
    layout->addWidget(divider_);
    meta_ = new MetaRow(icons, this);
    layout->addWidget(meta_);

    connect(&model_, &PanelViewModel::selectedIDChanged, this, &PreviewPane::selectionMayHaveChanged);
    connect(&model_, &PanelViewModel::resultsChanged, this, &PreviewPane::selectionMayHaveChanged);
    connect(&model_, &PanelViewModel::imageDecoded, this, [this](qint64 id, const QImage& image) {
        if (shown_ && shown_->id == id && page_ == Page::imagePending) showImage(*shown_, image);
    });
    connect(&model_, &PanelViewModel::focusTokenChanged, this, [this] {
        // Each showing works the relative time out anew.
        if (shown_) meta_->setItem(*shown_, model_.clock().now());
    });
    selectionMayHaveChanged();
}

void PreviewPane::selectionMayHaveChanged() {
    const ClipItem* item = model_.selectedItem();
    if (!item) {
        showBlank();
        return;
    }
    if (shown_ && *shown_ == *item) return;
    showItem(*item);
}

void PreviewPane::showBlank() {
    shown_.reset();
    page_ = Page::blank;
    stack_->setCurrentIndex(0);
    divider_->hide();
    meta_->hide();
}

void PreviewPane::showItem(const ClipItem& item) {
    shown_ = item;
    switch (item.kind) {
    case ClipKind::text:
    case ClipKind::richText: {
        QString text = item.text;
        if (item.fullLength > HistoryStore::previewLength) text += QStringLiteral("\n…");
        text_->setFont(looksLikeCode(item) ? panelstyle::font(12, QFont::Normal, Design::monospaced)
                                           : panelstyle::font(13));
        text_->setPlainText(text);
        page_ = Page::text;
        break;
    }
    case ClipKind::url:
        linkHost_->setText(linkTitleFor(item.text));
        linkText_->setText(item.text);
        page_ = Page::link;
        break;
    case ClipKind::image: {
        const PanelViewModel::PreviewImage preview = model_.imageFor(item);
        if (preview.pending) {
            // Never an empty pane: the image's label and symbol until the pixels arrive.
            image_->setImage(QImage());
            missingText_->setText(item.text);
            page_ = Page::imagePending;
        } else {
            showImage(item, preview.image);
        }
        break;
    }
    case ClipKind::file: {
        const QStringList paths = filePathsFor(item.text);
        for (int i = 0; i < maxFileLines; ++i) {
            const bool used = i < paths.size();
            fileRows_[i]->setVisible(used);
            if (!used) continue;
            filePaths_[i]->setText(paths[i]);
            const QImage icon = workspace_.iconForFile(paths[i], 20);
            fileIcons_[i]->setPixmap(icon.isNull() ? symbol(QStringLiteral("doc"), 18, secondary(), devicePixelRatioF())
                                                   : QPixmap::fromImage(icon.scaled(20, 20, Qt::IgnoreAspectRatio,
                                                                                    Qt::SmoothTransformation)));
        }
        page_ = Page::files;
        break;
    }
    case ClipKind::color: {
        const std::optional<Color> c = parseColor(item.text);
        swatch_->setColor(c ? QColor::fromRgbF(float(c->red), float(c->green), float(c->blue), float(c->alpha))
                            : QColor(Qt::transparent));
        colorText_->setText(trimmed(item.text));
        page_ = Page::color;
        break;
    }
    }
    stack_->setCurrentIndex(int(page_ == Page::imagePending ? Page::imageMissing : page_));
    divider_->show();
    meta_->setItem(item, model_.clock().now());
    meta_->show();
}

void PreviewPane::showImage(const ClipItem& item, const QImage& image) {
    image_->setImage(image);
    if (image.isNull()) missingText_->setText(item.text);
    page_ = image.isNull() ? Page::imageMissing : Page::image;
    stack_->setCurrentIndex(int(page_));
}

QWidget* PreviewPane::buildTextPage() {
    text_ = new QTextEdit(stack_);
    text_->setReadOnly(true);
    text_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    text_->setFocusPolicy(Qt::NoFocus);
    text_->setFrameShape(QFrame::NoFrame);
    text_->setLineWrapMode(QTextEdit::WidgetWidth);
    text_->document()->setDocumentMargin(14);
    text_->setStyleSheet(QStringLiteral("QTextEdit { background: transparent; border: none; }") + slimScrollBarStyle());
    text_->viewport()->setAutoFillBackground(false);
    return text_;
}

QWidget* PreviewPane::buildLinkPage() {
    auto* page = new QWidget(stack_);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->setSpacing(8);
    auto* header = new QHBoxLayout;
    header->setSpacing(6);
    linkIcon_ = new QLabel(page);
    linkIcon_->setPixmap(symbol(QStringLiteral("link"), 15, primary(), devicePixelRatioF()));
    linkHost_ = plainLabel(page, panelstyle::font(15, QFont::DemiBold), primary());
    header->addWidget(linkIcon_);
    header->addWidget(linkHost_, 1);
    layout->addLayout(header);
    linkText_ = plainLabel(page, panelstyle::font(12), secondary(), true);
    linkText_->setWordWrap(true);
    layout->addWidget(linkText_);
    layout->addStretch(1);
    return page;
}

QWidget* PreviewPane::buildImagePage() {
    image_ = new ImageView(stack_);
    return image_;
}

QWidget* PreviewPane::buildImageMissingPage() {
    auto* page = new QWidget(stack_);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(16, 16, 16, 16);
    auto* row = new QHBoxLayout;
    row->setSpacing(6);
    missingIcon_ = new QLabel(page);
    missingIcon_->setPixmap(symbol(QStringLiteral("photo"), 15, primary(), devicePixelRatioF()));
    missingText_ = plainLabel(page, panelstyle::font(13), primary());
    row->addWidget(missingIcon_);
    row->addWidget(missingText_, 1);
    layout->addLayout(row);
    layout->addStretch(1);
    return page;
}

QWidget* PreviewPane::buildFilesPage() {
    auto* page = new QWidget(stack_);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->setSpacing(6);
    for (int i = 0; i < maxFileLines; ++i) {
        auto* row = new QWidget(page);
        auto* rowLayout = new QHBoxLayout(row);
        rowLayout->setContentsMargins(0, 0, 0, 0);
        rowLayout->setSpacing(8);
        auto* icon = new QLabel(row);
        icon->setFixedSize(20, 20);
        icon->setAlignment(Qt::AlignCenter);
        auto* path = new ElidedLabel(row);
        path->setFont(panelstyle::font(12));
        rowLayout->addWidget(icon);
        rowLayout->addWidget(path, 1);
        layout->addWidget(row);
        fileRows_.append(row);
        fileIcons_.append(icon);
        filePaths_.append(path);
    }
    layout->addStretch(1);
    return page;
}

QWidget* PreviewPane::buildColorPage() {
    auto* page = new QWidget(stack_);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->setSpacing(12);
    swatch_ = new ColorSwatch(page);
    swatch_->setFixedHeight(140);
    layout->addWidget(swatch_);
    colorText_ = plainLabel(page, panelstyle::font(15, QFont::Normal, Design::monospaced), primary(), true);
    layout->addWidget(colorText_);
    layout->addStretch(1);
    return page;
}

bool PreviewPane::hasTextSelection() const {
    return page_ == Page::text && text_->textCursor().hasSelection();
}

void PreviewPane::copyTextSelection() {
    if (hasTextSelection()) text_->copy();
}

QString PreviewPane::shownText() const {
    switch (page_) {
    case Page::text: return text_->toPlainText();
    case Page::link: return linkText_->text();
    case Page::imageMissing:
    case Page::imagePending: return missingText_->text();
    case Page::color: return colorText_->text();
    default: return {};
    }
}

QString PreviewPane::linkTitle() const { return page_ == Page::link ? linkHost_->text() : QString(); }

QStringList PreviewPane::shownFiles() const {
    QStringList out;
    if (page_ != Page::files) return out;
    for (int i = 0; i < maxFileLines; ++i)
        if (!fileRows_[i]->isHidden()) out << filePaths_[i]->text();
    return out;
}

bool PreviewPane::usesMonospacedFont() const {
    return page_ == Page::text && text_->font().family() != panelstyle::font(13).family();
}

std::optional<QColor> PreviewPane::swatchColor() const {
    return page_ == Page::color ? std::optional<QColor>(swatch_->color()) : std::nullopt;
}

QSize PreviewPane::shownImageSize() const { return page_ == Page::image ? image_->image().size() : QSize(); }

QString PreviewPane::linkTitleFor(const QString& text) {
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    const QString host = url.isValid() ? url.host() : QString();
    return host.isEmpty() ? QStringLiteral("Link") : host;
}

QStringList PreviewPane::filePathsFor(const QString& text) {
    static const QRegularExpression lineBreak(QStringLiteral("[\\n\\r\\x{2028}\\x{2029}\\x{85}\\x0B\\x0C]"));
    QStringList lines = text.split(lineBreak, Qt::SkipEmptyParts);
    if (!lines.isEmpty()) lines.removeFirst();  // the summary line ("3 files" and the like)
    return lines.mid(0, maxFileLines);
}

// ---- MetaRow ----

MetaRow::MetaRow(AppIcons& icons, QWidget* parent) : QWidget(parent), icons_(icons) {
    setFixedHeight(34);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(14, 0, 14, 0);
    layout->setSpacing(6);
    const QFont f = panelstyle::font(11);
    icon_ = new QLabel(this);
    icon_->setFixedSize(14, 14);
    name_ = plainLabel(this, f, secondary());
    time_ = plainLabel(this, f, secondary());
    size_ = plainLabel(this, f, secondary());
    layout->addWidget(icon_);
    layout->addWidget(name_);
    auto dot = [&] {
        QLabel* label = plainLabel(this, f, secondary());
        label->setText(QStringLiteral("·"));
        return label;
    };
    layout->addWidget(dot());
    layout->addWidget(time_);
    layout->addWidget(dot());
    layout->addWidget(size_);
    layout->addStretch(1);

    pinned_ = new QWidget(this);
    auto* pinLayout = new QHBoxLayout(pinned_);
    pinLayout->setContentsMargins(0, 0, 0, 0);
    pinLayout->setSpacing(4);
    auto* pinIcon = new QLabel(pinned_);
    pinIcon->setPixmap(symbol(QStringLiteral("pin.fill"), 11, orange(), devicePixelRatioF()));
    auto* pinText = plainLabel(pinned_, f, orange());
    pinText->setText(QStringLiteral("Pinned"));
    pinLayout->addWidget(pinIcon);
    pinLayout->addWidget(pinText);
    layout->addWidget(pinned_);
}

void MetaRow::setItem(const ClipItem& item, double now) {
    if (auto icon = appIconPixmap(icons_, item.sourceAppId, 14, devicePixelRatioF())) {
        icon_->setPixmap(*icon);
        icon_->show();
    } else {
        icon_->clear();
        icon_->hide();
    }
    name_->setText(item.sourceAppName.value_or(QStringLiteral("Unknown app")));
    time_->setText(relativeTimeString(item.lastUsedAt, now));
    size_->setText(byteCountString(item.byteSize));
    pinned_->setVisible(item.pinned);
}

QString MetaRow::appName() const { return name_->text(); }
bool MetaRow::hasAppIcon() const { return !icon_->isHidden(); }
QString MetaRow::relativeTime() const { return time_->text(); }
QString MetaRow::size() const { return size_->text(); }
bool MetaRow::showsPinned() const { return !pinned_->isHidden(); }

}  // namespace mendrake
