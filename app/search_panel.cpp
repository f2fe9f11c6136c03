#include "app/search_panel.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <chrono>
#include <exception>

#include "toolkit/code_page.h"

namespace velmora {

namespace {

// Over the right of the item view, clear of the chapter column and the item links.
constexpr int PanelLeft = 548;
constexpr int PanelTop = 96;
constexpr int PanelWidth = 466;
constexpr int PanelHeight = 460;

// The stage's own colours: the navy of its columns, its red mark, its light grey.
const char* const PanelStyle = R"(
QFrame#SearchPanel { background: #ffffff; border: 1px solid #24324d; }
QLabel#SearchTitle { background: #24324d; color: #ffffff; font: bold 14px; padding: 6px 10px;
                     border-left: 4px solid #d0202e; }
QLabel#SearchHint { background: #24324d; color: #aab4c8; font: 11px; padding: 6px 10px; }
QLineEdit#SearchEdit { border: 1px solid #8d98ae; padding: 4px 6px; font: 14px; margin: 8px 10px 2px 10px;
                       selection-background-color: #24324d; }
QLabel#SearchStatus { color: #5a6478; font: 11px; padding: 2px 12px 4px 12px; }
QListWidget#SearchList { border: none; border-top: 1px solid #d5d9e2; font: 12px; outline: none;
                         alternate-background-color: #f1f3f7; }
QListWidget#SearchList::item { padding: 4px 10px; color: #1c2233; background: #ffffff; }
QListWidget#SearchList::item:alternate { background: #f1f3f7; }
QListWidget#SearchList::item:selected { background: #24324d; color: #ffffff; }
)";

// One frame at 60 Hz: a build done by then is shown at once, with no indexing message.
constexpr auto FrameTime = std::chrono::milliseconds(16);

QString RowText(const TSearchResult& result) {
    const QString opis = FromWin1250(result.Opis);
    const QString caption = FromWin1250(result.Caption);
    // Captions that begin with the sign's number need it only once.
    if (caption.isEmpty()) return opis + QStringLiteral("\n") + PlaceText(result.Place);
    if (caption.startsWith(opis)) return caption + QStringLiteral("\n") + PlaceText(result.Place);
    return caption + QStringLiteral("\n") + opis + QString::fromUtf8("  \u00b7  ") + PlaceText(result.Place);
}

}  // namespace

QString PlaceText(const TSearchPlace& place) {
    return QString::fromUtf8("rozdzia\u0142 %1, plansza %2").arg(place.Page).arg(place.Item);
}

QString PlacesText(size_t count) {
    const size_t tens = count % 100;
    const size_t ones = count % 10;
    const char* word = count == 1 ? "miejsce" : ones >= 2 && ones <= 4 && (tens < 12 || tens > 14) ? "miejsca" : "miejsc";
    return QStringLiteral("%1 %2").arg(count).arg(QString::fromLatin1(word));
}

TSearchPanel::TSearchPanel(QWidget* stage, std::string dataDir) : QFrame(stage), FDataDir(std::move(dataDir)) {
    setObjectName(QStringLiteral("SearchPanel"));
    setStyleSheet(QString::fromLatin1(PanelStyle));
    setGeometry(PanelLeft, PanelTop, PanelWidth, PanelHeight);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->setSpacing(0);

    auto* titleRow = new QHBoxLayout;
    titleRow->setSpacing(0);
    auto* title = new QLabel(QString::fromUtf8("Szukaj znaku"), this);
    title->setObjectName(QStringLiteral("SearchTitle"));
    auto* hint = new QLabel(QString::fromUtf8("\u2191 \u2193  Enter  \u00b7  Esc zamyka"), this);
    hint->setObjectName(QStringLiteral("SearchHint"));
    hint->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    titleRow->addWidget(title, 1);
    titleRow->addWidget(hint);
    layout->addLayout(titleRow);

    FEdit = new QLineEdit(this);
    FEdit->setObjectName(QStringLiteral("SearchEdit"));
    FEdit->setPlaceholderText(QString::fromUtf8("nazwa lub numer znaku, np. zakr\u0119t albo B-20"));
    FEdit->setClearButtonEnabled(true);
    layout->addWidget(FEdit);

    FStatus = new QLabel(this);
    FStatus->setObjectName(QStringLiteral("SearchStatus"));
    layout->addWidget(FStatus);

    FList = new QListWidget(this);
    FList->setObjectName(QStringLiteral("SearchList"));
    // The keys stay in the edit box; the list is moved through from there.
    FList->setFocusPolicy(Qt::NoFocus);
    FList->setAlternatingRowColors(true);
    FList->setUniformItemSizes(true);
    FList->setSelectionMode(QAbstractItemView::SingleSelection);
    layout->addWidget(FList, 1);

    FPoll = new QTimer(this);
    FPoll->setInterval(15);
    QObject::connect(FPoll, &QTimer::timeout, this, [this] {
        if (FBuild.valid() && FBuild.wait_for(std::chrono::seconds(0)) == std::future_status::ready) TakeIndex();
    });
    QObject::connect(FEdit, &QLineEdit::textChanged, this, [this] { Refresh(); });
    QObject::connect(FList, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) { Choose(FList->row(item)); });
    FEdit->installEventFilter(this);
    hide();
}

TSearchPanel::~TSearchPanel() {
    // The worker's walk is left to finish: its result has no one to go to, and the future waits.
    FPoll->stop();
}

void TSearchPanel::Open() {
    show();
    raise();
    FEdit->setFocus();
    FEdit->selectAll();
    if (!FIndex && !FBuild.valid() && FIndexError.isEmpty()) StartIndex();
    Refresh();
}

void TSearchPanel::StartIndex() {
    FBuild = std::async(std::launch::async, [dir = FDataDir] { return BuildSearchIndex(dir); });
    if (FBuild.wait_for(FrameTime) == std::future_status::ready) {
        TakeIndex();
        return;
    }
    setCursor(Qt::BusyCursor);
    FPoll->start();
}

void TSearchPanel::TakeIndex() {
    FPoll->stop();
    unsetCursor();
    try {
        FIndex = FBuild.get();
        for (const TSavedItem& saved : FSavedWhileBuilding) FIndex->ReplaceItem(saved.Page, saved.Item, saved.Hotspots);
    } catch (const std::exception& e) {
        FIndexError = QString::fromUtf8(e.what());
    }
    FSavedWhileBuilding.clear();
    Refresh();
}

bool TSearchPanel::WaitForIndex() {
    if (FBuild.valid()) {
        FBuild.wait();
        TakeIndex();
    }
    return IndexReady();
}

void TSearchPanel::ItemSaved(int32_t page, int32_t item, const std::vector<THotspotRecord>& hotspots) {
    if (FIndex) {
        FIndex->ReplaceItem(page, item, hotspots);
        if (isVisible()) Refresh();
    } else if (FBuild.valid()) {
        FSavedWhileBuilding.push_back({page, item, hotspots});
    }
    // Not built yet: the first build reads the file as saved.
}

void TSearchPanel::Refresh() {
    FList->clear();
    FResults.clear();
    if (!FIndexError.isEmpty()) {
        FStatus->setText(QString::fromUtf8("Nie uda\u0142o si\u0119 przeszuka\u0107 katalogu: ") + FIndexError);
        return;
    }
    if (!FIndex) {
        FStatus->setText(QString::fromUtf8("Indeksowanie katalogu\u2026"));
        return;
    }
    const QByteArray query = FEdit->text().toUtf8();
    TSearchResults found = FIndex->Search(std::string_view(query.constData(), static_cast<size_t>(query.size())), MaxListed);
    FResults = std::move(found.Shown);
    if (FEdit->text().trimmed().isEmpty()) {
        FStatus->setText(QString::fromUtf8("Wpisz nazw\u0119 albo numer znaku; ka\u017cde s\u0142owo musi pasowa\u0107."));
    } else if (found.Total == 0) {
        FStatus->setText(QString::fromUtf8("Nic nie znaleziono."));
    } else if (found.Total > FResults.size()) {
        FStatus->setText(PlacesText(found.Total) + QString::fromUtf8(", pokazano pierwsze %1").arg(FResults.size()));
    } else {
        FStatus->setText(PlacesText(found.Total));
    }
    for (const TSearchResult& result : FResults) FList->addItem(RowText(result));
    if (!FResults.empty()) FList->setCurrentRow(0);
}

void TSearchPanel::MoveSelection(int by) {
    if (FList->count() == 0) return;
    const int row = std::clamp(FList->currentRow() + by, 0, FList->count() - 1);
    FList->setCurrentRow(row);
    FList->scrollToItem(FList->item(row));
}

void TSearchPanel::Choose(int row) {
    if (row < 0 || static_cast<size_t>(row) >= FResults.size() || !OnChoose) return;
    // The handler may close the panel and refresh the list under it.
    const TSearchResult chosen = FResults[static_cast<size_t>(row)];
    const auto choose = OnChoose;
    choose(chosen);
}

bool TSearchPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched != FEdit || event->type() != QEvent::KeyPress) return QFrame::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
    if (modifiers != Qt::NoModifier) return QFrame::eventFilter(watched, event);
    switch (key->key()) {
        case Qt::Key_Up: MoveSelection(-1); return true;
        case Qt::Key_Down: MoveSelection(1); return true;
        case Qt::Key_PageUp: MoveSelection(-8); return true;
        case Qt::Key_PageDown: MoveSelection(8); return true;
        case Qt::Key_Return:
        case Qt::Key_Enter: Choose(FList->currentRow()); return true;
        case Qt::Key_Escape:
            if (OnClose)
                OnClose();
            else
                hide();
            return true;
        default: return QFrame::eventFilter(watched, event);
    }
}

}  // namespace velmora
