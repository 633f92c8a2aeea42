#include "core/exchange/SearchSettings.h"

#include <QSettings>

namespace quorvel {

namespace {

QSettings store() {
    return QSettings(QStringLiteral("quorvel"), QStringLiteral("Quorvel"));
}

} // namespace

SearchSettings SearchSettings::load() {
    QSettings s = store();
    SearchSettings out;
    out.interfaces = s.value(QStringLiteral("search/interfaces")).toStringList();
    out.targets = s.value(QStringLiteral("search/targets")).toStringList();
    const int port = s.value(QStringLiteral("search/localPort"), 0).toInt();
    out.localPort = port > 0 && port <= 65535 ? static_cast<std::uint16_t>(port) : 0;
    return out;
}

void SearchSettings::save() const {
    QSettings s = store();
    s.setValue(QStringLiteral("search/interfaces"), interfaces);
    s.setValue(QStringLiteral("search/targets"), targets);
    s.setValue(QStringLiteral("search/localPort"), int(localPort));
}

bool ExplainEmptySearches() {
    return store().value(QStringLiteral("search/explainEmpty"), true).toBool();
}

void SetExplainEmptySearches(bool on) {
    store().setValue(QStringLiteral("search/explainEmpty"), on);
}

} // namespace quorvel
