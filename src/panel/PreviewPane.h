#pragma once
// PreviewPane: the selected result in full, drawn by kind (text, link, image, file list, colour),
// with the metadata row under it. Blank when nothing is selected. Redrawn only when the selected
// item itself changes, so scrolling through a long text is not reset by unrelated refreshes.

#include "capture/ClipModel.h"

#include <QWidget>

#include <optional>

class QLabel;
class QStackedWidget;
class QTextEdit;

namespace mendrake {

class AppIcons;
class PanelViewModel;
class Workspace;
class MetaRow;
class ImageView;
class ElidedLabel;
class ColorSwatch;

class PreviewPane : public QWidget {
    Q_OBJECT
public:
    static constexpr int maxFileLines = 20;

    PreviewPane(PanelViewModel& model, Workspace& workspace, AppIcons& icons, QWidget* parent);

    // imagePending: the image is being decoded; its label stands in until it arrives.
    enum class Page { blank, text, link, image, imageMissing, files, color, imagePending };
    Page page() const { return page_; }

    // What the current page shows, for tests and accessibility.
    QString shownText() const;           // text page: the text; link: the address; colour: its text
    QString linkTitle() const;           // link page: host or "Link"
    QStringList shownFiles() const;      // files page: the paths listed
    bool usesMonospacedFont() const;     // text page
    std::optional<QColor> swatchColor() const;  // colour page: the fill (transparent when unreadable)
    QSize shownImageSize() const;        // image page: the image's pixel size
    MetaRow* metaRow() const { return meta_; }

    // Text selected on the text page, and copying it to the clipboard.
    bool hasTextSelection() const;
    void copyTextSelection();

    // The host of a link item's text, or "Link" when it has none.
    static QString linkTitleFor(const QString& text);
    // The file paths of a file item's text: the summary line skipped, at most 20.
    static QStringList filePathsFor(const QString& text);

private:
    void selectionMayHaveChanged();
    void showItem(const ClipItem& item);
    void showBlank();
    void showImage(const ClipItem& item, const QImage& image);
    QWidget* buildTextPage();
    QWidget* buildLinkPage();
    QWidget* buildImagePage();
    QWidget* buildImageMissingPage();
    QWidget* buildFilesPage();
    QWidget* buildColorPage();

    PanelViewModel& model_;
    Workspace& workspace_;
    std::optional<ClipItem> shown_;
    Page page_ = Page::blank;

    QStackedWidget* stack_;
    QWidget* divider_;
    MetaRow* meta_;

    QTextEdit* text_;
    QLabel* linkIcon_;
    QLabel* linkHost_;
    QLabel* linkText_;
    ImageView* image_;
    QLabel* missingIcon_;
    QLabel* missingText_;
    QList<QWidget*> fileRows_;
    QList<QLabel*> fileIcons_;
    QList<ElidedLabel*> filePaths_;
    ColorSwatch* swatch_;
    QLabel* colorText_;
};

// The one-line metadata under the preview: app icon and name, last use in words, size, pinned.
class MetaRow : public QWidget {
    Q_OBJECT
public:
    MetaRow(AppIcons& icons, QWidget* parent);
    void setItem(const ClipItem& item, double now);

    QString appName() const;
    bool hasAppIcon() const;
    QString relativeTime() const;
    QString size() const;
    bool showsPinned() const;

private:
    AppIcons& icons_;
    QLabel* icon_;
    QLabel* name_;
    QLabel* time_;
    QLabel* size_;
    QWidget* pinned_;
};

}  // namespace mendrake
