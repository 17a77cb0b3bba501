// Saving the metrics from the running poller: a failed write is logged
// once (in the verbose log at every level, and as a warning in the journal),
// until a write succeeds again, and never stops the polling.
#include "metrics.h"
#include "poller.h"

void saveMetrics(const Settings& s, MetricsFile& file, const MetricsState& state) {
    if (file.path.empty()) return;
    std::string reason;
    bool saved = writeMetricsFile(file.path, metricsText(state), reason);
    if (saved == !file.failing) return;
    file.failing = !saved;
    if (saved)
        importantLog(s, priorityNotice, fmt("Zapisano metryki %s\n", file.path.c_str()));
    else
        importantLog(s, priorityWarning,
                     fmt("Nie mozna zapisac metryk %s: %s\n", file.path.c_str(), reason.c_str()));
}
