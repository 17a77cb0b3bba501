// What pcpoll --help prints.
#include "poller.h"

std::string usageText(const std::string& confDir, const std::string& logDir) {
    return "Uzycie: pcpoll [-v|-vv]\n"
           "Odpytuje licznik VORM-2210 na porcie podanym w pliku konfiguracji\n" +
           confDir +
           "NAZWA.conf (NAZWA: nazwa wywolania) i dopisuje jego stany\n"
           "do dziennych plikow raportu.\n"
           "\n"
           "  -v         w logu szczegolowym takze start, ustawienia, port i dni\n"
           "  -vv        do tego kazda wartosc konfiguracji i kazdy cykl odpytania\n"
           "  --help     ten opis\n"
           "  --version  wersja\n"
           "\n"
           "Logi: " +
           logDir + "NAZWA.log i " + logDir +
           "NAZWA_v.log.\n"
           "Status: 0 po SIGTERM, SIGINT lub SIGHUP, 1 po blednej konfiguracji,\n"
           "255 gdy nie mozna otworzyc portu.\n";
}
