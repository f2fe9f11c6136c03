#pragma once
// The demo catalogue's content table: every sign with its official caption and the shape it is
// drawn with, the chapter titles, and the items of every page with the signs each one shows.
#include <span>
#include <string_view>

namespace velmora::demo {

// The outline and ground colour a sign is drawn with; the pictogram inside is chosen by name.
enum class SignShape {
    Warning,       // yellow triangle with a red border, point up
    Yield,         // white triangle with a red border, point down
    Prohibition,   // white circle with a red ring
    NoStanding,    // blue circle with a red ring (no parking, no stopping)
    Stop,          // red octagon
    Mandatory,     // blue circle
    Information,   // blue square
    Priority,      // yellow square on its corner
    Direction,     // signpost or place-name board
    RouteNumber,   // small board with a road number
    Supplementary, // blue board above the lanes
    Crossing,      // red and white St Andrew's cross or marker post
    Marking,       // a patch of road with the marking painted on it
    Light,         // a signal head
    Plate          // white plate below a sign
};

struct SignInfo {
    std::string_view Name;     // picture name without ".jpg"; also the hotspot description
    std::string_view Caption;  // the official caption in UTF-8, beginning with the name
    SignShape Shape;
    int Chapter;               // 1..10
};

// Every sign of the catalogue, chapter by chapter.
std::span<const SignInfo> Signs();
// The sign of that name, or nullptr.
const SignInfo* FindSign(std::string_view name);

constexpr int ChapterCount = 10;
// Title of chapter 1..10, e.g. "Znaki ostrzegawcze".
std::string_view ChapterTitle(int chapter);
// Letter group of chapter 1..10, e.g. "A".
std::string_view ChapterLetter(int chapter);

// How an item picture is composed.
enum class ItemKind {
    Board,       // signs in a grid on a plain board, each with its name underneath
    CountryRoad, // a road through fields with signs on posts beside it
    TownStreet,  // a street crossing with houses, signs and markings
    Roundabout,  // a roundabout seen from above
    LevelCrossing,
    Junction     // a crossing with signal heads
};

struct ItemInfo {
    int Page;
    int Item;
    ItemKind Kind;
    int Width, Height;
    std::string_view Title;
    std::span<const std::string_view> SignNames;
};

// The items of page 1..10 in item order.
std::span<const ItemInfo> Items(int page);

}  // namespace velmora::demo
