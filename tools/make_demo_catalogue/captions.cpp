#include "tools/make_demo_catalogue/captions.h"

#include <array>

namespace velmora::demo {

namespace {

using S = SignShape;

constexpr SignInfo kSigns[] = {
    {"A-1", "A-1 niebezpieczny zakręt w prawo", S::Warning, 1},
    {"A-2", "A-2 niebezpieczny zakręt w lewo", S::Warning, 1},
    {"A-3", "A-3 niebezpieczne zakręty – pierwszy w prawo", S::Warning, 1},
    {"A-4", "A-4 niebezpieczne zakręty – pierwszy w lewo", S::Warning, 1},
    {"A-6a", "A-6a skrzyżowanie z drogą podporządkowaną występującą po obu stronach", S::Warning, 1},
    {"A-7", "A-7 ustąp pierwszeństwa", S::Yield, 1},
    {"A-9", "A-9 przejazd kolejowy z zaporami", S::Warning, 1},
    {"A-10", "A-10 przejazd kolejowy bez zapór", S::Warning, 1},
    {"A-11", "A-11 nierówna droga", S::Warning, 1},
    {"A-12a", "A-12a zwężenie jezdni – dwustronne", S::Warning, 1},
    {"A-14", "A-14 roboty na drodze", S::Warning, 1},
    {"A-16", "A-16 przejście dla pieszych", S::Warning, 1},
    {"A-17", "A-17 dzieci", S::Warning, 1},
    {"A-18b", "A-18b zwierzęta dzikie", S::Warning, 1},
    {"A-30", "A-30 inne niebezpieczeństwo", S::Warning, 1},

    {"B-1", "B-1 zakaz ruchu w obu kierunkach", S::Prohibition, 2},
    {"B-2", "B-2 zakaz wjazdu", S::Prohibition, 2},
    {"B-9", "B-9 zakaz wjazdu rowerów", S::Prohibition, 2},
    {"B-20", "B-20 stop", S::Stop, 2},
    {"B-21", "B-21 zakaz skręcania w lewo", S::Prohibition, 2},
    {"B-22", "B-22 zakaz skręcania w prawo", S::Prohibition, 2},
    {"B-23", "B-23 zakaz zawracania", S::Prohibition, 2},
    {"B-25", "B-25 zakaz wyprzedzania", S::Prohibition, 2},
    {"B-33", "B-33 ograniczenie prędkości", S::Prohibition, 2},
    {"B-35", "B-35 zakaz postoju", S::NoStanding, 2},
    {"B-36", "B-36 zakaz zatrzymywania się", S::NoStanding, 2},
    {"B-41", "B-41 zakaz ruchu pieszych", S::Prohibition, 2},

    {"C-1", "C-1 nakaz jazdy w prawo przed znakiem", S::Mandatory, 3},
    {"C-2", "C-2 nakaz jazdy w prawo za znakiem", S::Mandatory, 3},
    {"C-3", "C-3 nakaz jazdy w lewo przed znakiem", S::Mandatory, 3},
    {"C-5", "C-5 nakaz jazdy prosto", S::Mandatory, 3},
    {"C-9", "C-9 nakaz jazdy z prawej strony znaku", S::Mandatory, 3},
    {"C-12", "C-12 ruch okrężny", S::Mandatory, 3},
    {"C-13", "C-13 droga dla rowerów", S::Mandatory, 3},
    {"C-16", "C-16 droga dla pieszych", S::Mandatory, 3},

    {"D-1", "D-1 droga z pierwszeństwem", S::Priority, 4},
    {"D-3", "D-3 droga jednokierunkowa", S::Information, 4},
    {"D-4a", "D-4a droga bez przejazdu", S::Information, 4},
    {"D-6", "D-6 przejście dla pieszych", S::Information, 4},
    {"D-6a", "D-6a przejazd dla rowerzystów", S::Information, 4},
    {"D-18", "D-18 parking", S::Information, 4},
    {"D-23", "D-23 stacja paliwowa", S::Information, 4},
    {"D-40", "D-40 strefa zamieszkania", S::Information, 4},
    {"D-42", "D-42 obszar zabudowany", S::Information, 4},
    {"D-43", "D-43 koniec obszaru zabudowanego", S::Information, 4},

    {"E-1", "E-1 tablica przeddrogowskazowa", S::Direction, 5},
    {"E-3", "E-3 drogowskaz w kierunku miejscowości", S::Direction, 5},
    {"E-15a", "E-15a numer drogi krajowej", S::RouteNumber, 5},
    {"E-15b", "E-15b numer drogi wojewódzkiej", S::RouteNumber, 5},
    {"E-17a", "E-17a miejscowość", S::Direction, 5},
    {"E-18a", "E-18a koniec miejscowości", S::Direction, 5},

    {"F-10", "F-10 kierunki na pasach ruchu", S::Supplementary, 6},
    {"F-11", "F-11 kierunki na pasie ruchu", S::Supplementary, 6},
    {"F-19", "F-19 pas ruchu dla autobusów", S::Supplementary, 6},

    {"G-1a", "G-1a słupek wskaźnikowy z trzema kreskami umieszczany po prawej stronie jezdni", S::Crossing, 7},
    {"G-1b", "G-1b słupek wskaźnikowy z dwiema kreskami umieszczany po prawej stronie jezdni", S::Crossing, 7},
    {"G-1c", "G-1c słupek wskaźnikowy z jedną kreską umieszczany po prawej stronie jezdni", S::Crossing, 7},
    {"G-3", "G-3 krzyż św. Andrzeja przed przejazdem kolejowym jednotorowym", S::Crossing, 7},
    {"G-4", "G-4 krzyż św. Andrzeja przed przejazdem kolejowym wielotorowym", S::Crossing, 7},

    {"P-1a", "P-1a linia pojedyncza przerywana – prowadząca", S::Marking, 8},
    {"P-2a", "P-2a linia pojedyncza ciągła", S::Marking, 8},
    {"P-4", "P-4 linia podwójna ciągła", S::Marking, 8},
    {"P-8a", "P-8a strzałka kierunkowa na wprost", S::Marking, 8},
    {"P-10", "P-10 przejście dla pieszych", S::Marking, 8},
    {"P-11", "P-11 przejazd dla rowerzystów", S::Marking, 8},
    {"P-12", "P-12 linia warunkowego zatrzymania złożona z trójkątów", S::Marking, 8},
    {"P-14", "P-14 linia zatrzymania", S::Marking, 8},

    {"S-1", "S-1 sygnalizator ogólny", S::Light, 9},
    {"S-2", "S-2 sygnalizator ogólny z sygnałem dodatkowym strzałki", S::Light, 9},
    {"S-3", "S-3 sygnalizator dla kierunku jazdy", S::Light, 9},
    {"S-5", "S-5 sygnalizator dla pieszych", S::Light, 9},
    {"S-6", "S-6 sygnalizator dla rowerzystów", S::Light, 9},

    {"T-1", "T-1 tabliczka wskazująca odległość znaku ostrzegawczego od miejsca niebezpiecznego", S::Plate, 10},
    {"T-2", "T-2 tabliczka wskazująca długość odcinka drogi, na którym występuje niebezpieczeństwo", S::Plate, 10},
    {"T-6a", "T-6a tabliczka wskazująca przebieg drogi z pierwszeństwem", S::Plate, 10},
    {"T-22", "T-22 tabliczka wskazująca, że znak nie dotyczy rowerów", S::Plate, 10},
};

constexpr std::string_view kTitles[ChapterCount] = {
    "Znaki ostrzegawcze", "Znaki zakazu", "Znaki nakazu", "Znaki informacyjne",
    "Znaki kierunku i miejscowości", "Znaki uzupełniające", "Znaki przy przejazdach kolejowych",
    "Znaki poziome", "Sygnały świetlne", "Tabliczki do znaków",
};

constexpr std::string_view kLetters[ChapterCount] = {"A", "B", "C", "D", "E", "F", "G", "P", "S", "T"};

using N = std::string_view;
using K = ItemKind;

constexpr N k1a[] = {"A-1", "A-2", "A-3", "A-4", "A-6a", "A-7"};
constexpr N k1b[] = {"A-9", "A-10", "A-11", "A-12a", "A-14", "A-16", "A-17", "A-18b", "A-30"};
constexpr N k1c[] = {"A-1", "A-18b", "A-16", "A-17"};
constexpr N k2a[] = {"B-1", "B-2", "B-9", "B-20", "B-21", "B-22"};
constexpr N k2b[] = {"B-23", "B-25", "B-33", "B-35", "B-36", "B-41"};
constexpr N k2c[] = {"B-20", "B-33", "B-36", "D-6", "P-10"};
constexpr N k3a[] = {"C-1", "C-2", "C-3", "C-5", "C-9", "C-12", "C-13", "C-16"};
constexpr N k3b[] = {"C-12", "A-7", "C-9", "C-12"};
constexpr N k4a[] = {"D-1", "D-3", "D-4a", "D-6", "D-6a"};
constexpr N k4b[] = {"D-18", "D-23", "D-40", "D-42", "D-43"};
constexpr N k4c[] = {"D-42", "D-18", "D-3", "D-6", "P-10"};
constexpr N k4d[] = {"D-43", "D-1", "D-23", "A-2"};
constexpr N k5a[] = {"E-1", "E-3", "E-15a", "E-15b", "E-17a", "E-18a"};
constexpr N k5b[] = {"E-17a", "E-3", "E-15a", "E-1"};
constexpr N k6a[] = {"F-10", "F-11", "F-19"};
constexpr N k6b[] = {"F-10", "S-1", "P-8a", "P-14"};
constexpr N k7a[] = {"G-1a", "G-1b", "G-1c", "G-3", "G-4", "A-9", "A-10"};
constexpr N k7b[] = {"A-10", "G-1a", "G-1b", "G-1c", "G-3"};
constexpr N k8a[] = {"P-1a", "P-2a", "P-4", "P-8a"};
constexpr N k8b[] = {"P-10", "P-11", "P-12", "P-14"};
constexpr N k8c[] = {"D-6", "P-10", "P-14", "P-8a"};
constexpr N k9a[] = {"S-1", "S-2", "S-3", "S-5", "S-6"};
constexpr N k9b[] = {"S-2", "S-5", "P-10", "P-14"};
constexpr N k10a[] = {"T-1", "T-2", "T-6a", "T-22"};
constexpr N k10b[] = {"A-1", "T-1", "A-11", "T-2", "D-1", "T-6a", "B-2", "T-22"};

constexpr ItemInfo kItems1[] = {
    {1, 1, K::Board, 760, 600, "Zakręty i skrzyżowania", k1a},
    {1, 2, K::Board, 1000, 960, "Inne niebezpieczeństwa", k1b},
    {1, 3, K::CountryRoad, 1400, 1000, "Droga przez las", k1c},
};
constexpr ItemInfo kItems2[] = {
    {2, 1, K::Board, 760, 600, "Zakazy ruchu i wjazdu", k2a},
    {2, 2, K::Board, 760, 600, "Zakazy manewrów i postoju", k2b},
    {2, 3, K::TownStreet, 1400, 1000, "Skrzyżowanie w mieście", k2c},
};
constexpr ItemInfo kItems3[] = {
    {3, 1, K::Board, 1000, 620, "Znaki nakazu", k3a},
    {3, 2, K::Roundabout, 1200, 1000, "Rondo", k3b},
};
constexpr ItemInfo kItems4[] = {
    {4, 1, K::Board, 760, 600, "Pierwszeństwo i przejścia", k4a},
    {4, 2, K::Board, 760, 600, "Parkingi i strefy", k4b},
    {4, 3, K::TownStreet, 1400, 1000, "Ulica w obszarze zabudowanym", k4c},
    {4, 4, K::CountryRoad, 1400, 1000, "Za miastem", k4d},
};
constexpr ItemInfo kItems5[] = {
    {5, 1, K::Board, 760, 600, "Drogowskazy i tablice", k5a},
    {5, 2, K::CountryRoad, 1600, 1000, "Wjazd do miejscowości", k5b},
};
constexpr ItemInfo kItems6[] = {
    {6, 1, K::Board, 700, 420, "Pasy ruchu", k6a},
    {6, 2, K::Junction, 1200, 900, "Przed skrzyżowaniem", k6b},
};
constexpr ItemInfo kItems7[] = {
    {7, 1, K::Board, 1000, 620, "Przejazdy kolejowe", k7a},
    {7, 2, K::LevelCrossing, 1400, 900, "Przejazd bez zapór", k7b},
};
constexpr ItemInfo kItems8[] = {
    {8, 1, K::Board, 760, 420, "Linie na jezdni", k8a},
    {8, 2, K::Board, 760, 420, "Przejścia i linie zatrzymania", k8b},
    {8, 3, K::Junction, 1200, 900, "Oznakowanie poziome skrzyżowania", k8c},
};
constexpr ItemInfo kItems9[] = {
    {9, 1, K::Board, 1000, 620, "Sygnalizatory", k9a},
    {9, 2, K::Junction, 1200, 900, "Skrzyżowanie z sygnalizacją", k9b},
};
constexpr ItemInfo kItems10[] = {
    {10, 1, K::Board, 760, 420, "Tabliczki", k10a},
    {10, 2, K::Board, 760, 600, "Znaki z tabliczkami", k10b},
};

constexpr std::array<std::span<const ItemInfo>, ChapterCount> kPages = {
    kItems1, kItems2, kItems3, kItems4, kItems5, kItems6, kItems7, kItems8, kItems9, kItems10,
};

}  // namespace

std::span<const SignInfo> Signs() { return kSigns; }

const SignInfo* FindSign(std::string_view name) {
    for (const SignInfo& sign : kSigns)
        if (sign.Name == name) return &sign;
    return nullptr;
}

std::string_view ChapterTitle(int chapter) { return kTitles[chapter - 1]; }
std::string_view ChapterLetter(int chapter) { return kLetters[chapter - 1]; }

std::span<const ItemInfo> Items(int page) { return kPages[page - 1]; }

}  // namespace velmora::demo
