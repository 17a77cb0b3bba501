// Counter health: whether the latest poll gave a reading that can be
// trusted.  A change of health is logged once, at every verbosity level,
// so that a silent counter never looks like a quiet shop.
#include "poller.h"

PollHealth classifyPoll(bool received, bool valueFound, int faults) {
    if (!received) return healthSilent;
    if (valueFound || faults > 0) return healthGood;
    return healthNoValue;
}

std::string healthText(PollHealth health) {
    switch (health) {
        case healthSilent: return "Licznik nie odpowiada";
        case healthNoValue: return "Licznik odpowiada bez wartosci";
        case healthGood: break;
    }
    return "Licznik odpowiada poprawnie";
}

int healthPriority(PollHealth health) {
    switch (health) {
        case healthSilent: return priorityError;
        case healthNoValue: return priorityWarning;
        case healthGood: break;
    }
    return priorityNotice;
}

void noteHealth(const Settings& s, PollHealth& logged, PollHealth now) {
    if (now == logged) return;
    logged = now;
    std::time_t moment = std::time(nullptr);
    importantLog(s, healthPriority(now),
                 fmt("%s - %s %s\n", dateText(moment, '-').c_str(), timeText(moment).c_str(),
                     healthText(now).c_str()));
}
