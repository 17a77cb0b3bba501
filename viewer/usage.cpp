// What pcview --help prints.
#include "viewer.h"

std::string viewerUsageText(const std::string& confFile) {
    return "Uzycie: pcview\n"
           "Pokazuje dzisiejszy raport wejscia nazwanego kluczem entry w pliku\n" +
           confFile +
           ", a potem pyta, ile dni wstecz pokazac:\n"
           "0 to dzisiaj, 1 wczoraj; liczba ujemna konczy program.\n"
           "\n"
           "  --help     ten opis\n"
           "  --version  wersja\n";
}
