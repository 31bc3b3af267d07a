#include "panel/ResultList.h"

#include "capture/AppIcon.h"
#include "panel/EmptyState.h"
#include "hotkey/KeyNames.h"
#include "panel/PanelStyle.h"
#include "panel/PanelViewModel.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>

namespace mendrake {

using namespace panelstyle;

// ---- ResultListModel ----

ResultListModel::ResultListModel(PanelViewModel& model, QObject* parent) : QAbstractListModel(parent), model_(model) {
    connect(&model_, &PanelViewModel::resultsChanged, this, [this] {
        beginResetModel();
        endResetModel();
    });
}

int ResultListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(model_.results().size());
}

QVariant ResultListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= model_.results().size()) return {};
    const ClipItem& item = model_.results()[index.row()];
    if (role == idRole) return item.id;
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole) return displayTitle(item);
    return {};
}

// ---- ClipRowDelegate ----

ClipRowDelegate::ClipRowDelegate(PanelViewModel& model, AppIcons& icons, QObject* parent)
    : QStyledItemDelegate(parent), model_(model), icons_(icons) {}

QSize ClipRowDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const {
    return {0, rowHeight + rowGap};
}

QString ClipRowDelegate::badgeText(int index, const QString& ageLabel) {
    return index < 9 ? shortcutLabel(Qt::ControlModifier, Qt::Key_1 + index) : ageLabel;
}

void ClipRowDelegate::paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    if (index.row() >= model_.results().size()) return;
    const ClipItem& item = model_.results()[index.row()];
    const bool selected = model_.selectedID() == item.id;
    const qreal dpr = p->device()->devicePixelRatioF();
    const QColor ink = selected ? QColor(Qt::white) : primary();

    p->save();
    p->setRenderHint(QPainter::Antialiasing);
    const QRectF row = QRectF(option.rect).adjusted(8, rowGap / 2.0, -8, -rowGap / 2.0);
    if (selected) {
        QPainterPath bg;
        bg.addRoundedRect(row, 7, 7);
        p->fillPath(bg, accent());
    }

    qreal x = row.left() + 10;
    const qreal mid = row.center().y();

    // Source icon: the application's, else the kind's symbol.
    if (auto icon = appIconPixmap(icons_, item.sourceAppId, 20, dpr)) {
        p->drawPixmap(QPointF(x, mid - 10), *icon);
    } else {
        const QPixmap sym = symbol(kindSymbol(item.kind), 15, selected ? ink : secondary(), dpr);
        p->drawPixmap(QPointF(x + 2.5, mid - 7.5), sym);
    }
    x += 20 + 10;

    if (item.kind == ClipKind::color) {
        if (auto c = parseColor(item.text)) {
            QPainterPath swatch;
            swatch.addRoundedRect(QRectF(x, mid - 7, 14, 14), 3, 3);
            p->fillPath(swatch, QColor::fromRgbF(float(c->red), float(c->green), float(c->blue), float(c->alpha)));
            p->setPen(QPen(withAlpha(primary(), 0.2), 0.5));
            p->drawPath(swatch);
            x += 14 + 10;
        }
    }

    // Right side, from the edge inwards: badge, then the pin.
    qreal right = row.right() - 10;
    const QFont badgeFont = panelstyle::font(11, QFont::Normal, Design::rounded);
    const QString badge = badgeText(index.row(), ageLabel(item, model_.clock().now()));
    const qreal badgeWidth = QFontMetricsF(badgeFont).horizontalAdvance(badge);
    p->setFont(badgeFont);
    p->setPen(selected ? withAlpha(Qt::white, 0.85) : secondary());
    p->drawText(QRectF(right - badgeWidth, row.top(), badgeWidth, row.height()), Qt::AlignVCenter | Qt::AlignRight, badge);
    right -= badgeWidth + 10;
    if (item.pinned) {
        const QPixmap pin = symbol(QStringLiteral("pin.fill"), 11, selected ? QColor(Qt::white) : orange(), dpr);
        p->drawPixmap(QPointF(right - 11, mid - 5.5), pin);
        right -= 11 + 10;
    }

    const QFont titleFont = panelstyle::font(13);
    p->setFont(titleFont);
    p->setPen(ink);
    const QRectF titleRect(x, row.top(), std::max<qreal>(0, right - x), row.height());
    const QString title = QFontMetricsF(titleFont).elidedText(displayTitle(item), Qt::ElideRight, titleRect.width());
    p->drawText(titleRect, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, title);
    p->restore();
}

// ---- ResultList ----

ResultList::ResultList(PanelViewModel& model, AppIcons& icons, QWidget* parent)
    : QListView(parent), model_(model), rows_(new ResultListModel(model, this)) {
    setModel(rows_);
    setItemDelegate(new ClipRowDelegate(model, icons, this));
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::NoSelection);
    setFocusPolicy(Qt::NoFocus);  // the search field keeps the keyboard; keys reach the model
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFrameShape(QFrame::NoFrame);
    setMouseTracking(false);
    setAttribute(Qt::WA_TranslucentBackground);
    viewport()->setAutoFillBackground(false);
    setStyleSheet(QStringLiteral("QListView { background: transparent; border: none; }") + slimScrollBarStyle());
    setViewportMargins(0, 7, 0, 7);

    empty_ = new EmptyState(this);

    connect(this, &QAbstractItemView::pressed, this, [this](const QModelIndex& index) {
        model_.setSelectedID(index.data(ResultListModel::idRole).toLongLong());
    });
    connect(&model_, &PanelViewModel::resultsChanged, this, &ResultList::resultsChanged);
    connect(&model_, &PanelViewModel::selectedIDChanged, this, [this] {
        viewport()->update();
        scrollToSelection();
    });
    connect(&model_, &PanelViewModel::queryChanged, this, [this] { empty_->setQuery(model_.query()); });
    resultsChanged();
}

void ResultList::mouseDoubleClickEvent(QMouseEvent* event) {
    // Handled here rather than through doubleClicked, which the view only emits when the second
    // press lands on the index it remembered from the first.
    const QModelIndex index = indexAt(event->position().toPoint());
    if (event->button() != Qt::LeftButton || !index.isValid() || index.row() >= model_.results().size()) {
        QListView::mouseDoubleClickEvent(event);
        return;
    }
    const ClipItem item = model_.results()[index.row()];
    model_.setSelectedID(item.id);
    if (model_.onActivate) model_.onActivate(item, UseMode::paste);
}

void ResultList::resultsChanged() {
    empty_->setQuery(model_.query());
    empty_->setVisible(model_.results().isEmpty());
    placeEmptyState();
    scrollToSelection();
}

void ResultList::scrollToSelection() {
    const int i = model_.selectedIndex();
    if (i >= 0) scrollTo(rows_->index(i), QAbstractItemView::EnsureVisible);
}

void ResultList::resizeEvent(QResizeEvent* event) {
    QListView::resizeEvent(event);
    placeEmptyState();
}

void ResultList::placeEmptyState() { empty_->setGeometry(rect()); }

}  // namespace mendrake
