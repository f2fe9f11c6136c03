#pragma once
// TSearchPanel: the search box over the stage. A line edit, a line that says what the list holds,
// and the hotspots of the whole catalogue that match what is typed, best first, each with its
// caption, description and place. Up and Down move through the list, Enter or a click chooses
// (OnChoose), Escape closes (OnClose); the keys stay in the edit box throughout.
//
// The index is built the first time the panel opens and kept from then on. The walk runs on a worker
// thread; when it takes longer than a frame the panel says it is indexing and shows the busy cursor
// until it is done, and what was typed meanwhile is searched then.
// Threads: the worker owns the index it builds and hands it over through FBuild; everything else,
// the index once handed over included, belongs to the window thread.
#include <QFrame>
#include <QString>
#include <functional>
#include <future>
#include <optional>
#include <string>
#include <vector>

#include "app/search_index.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QTimer;

namespace velmora {

class TSearchPanel : public QFrame {
public:
    // stage is the 1024 x 768 panel it lies over; dataDir the catalogue, with its trailing "/".
    TSearchPanel(QWidget* stage, std::string dataDir);
    ~TSearchPanel() override;

    // The most results listed; the line above the list says how many more there are.
    static constexpr size_t MaxListed = 200;

    std::function<void(const TSearchResult&)> OnChoose;
    std::function<void()> OnClose;

    // Shows the panel with the focus in its edit box, the last query selected; the first time, starts
    // building the index.
    void Open();
    // The result at row of the list to OnChoose; nothing for a row that is not there.
    void Choose(int row);

    // The editor saved an item: its hotspots as written replace what the index knew of it (also when
    // the index is still being built).
    void ItemSaved(int32_t page, int32_t item, const std::vector<THotspotRecord>& hotspots);

    bool IndexReady() const { return FIndex.has_value(); }
    const TSearchIndex* Index() const { return FIndex ? &*FIndex : nullptr; }
    // True when the build is done; for tests and callers that need the index now.
    bool WaitForIndex();

    QLineEdit* Edit() const { return FEdit; }
    QListWidget* List() const { return FList; }
    QLabel* Status() const { return FStatus; }
    const std::vector<TSearchResult>& Results() const { return FResults; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void StartIndex();
    void TakeIndex();
    void Refresh();
    void MoveSelection(int by);

    std::string FDataDir;
    QLineEdit* FEdit = nullptr;
    QLabel* FStatus = nullptr;
    QListWidget* FList = nullptr;
    QTimer* FPoll = nullptr;
    std::future<TSearchIndex> FBuild;
    std::optional<TSearchIndex> FIndex;
    QString FIndexError;
    struct TSavedItem {
        int32_t Page;
        int32_t Item;
        std::vector<THotspotRecord> Hotspots;
    };
    // Saves made while the worker was still reading: applied to its index when it arrives.
    std::vector<TSavedItem> FSavedWhileBuilding;
    std::vector<TSearchResult> FResults;
};

// How a result's place reads in the list: "rozdział 3, plansza 2".
QString PlaceText(const TSearchPlace& place);
// "1 miejsce", "3 miejsca", "12 miejsc".
QString PlacesText(size_t count);

}  // namespace velmora
