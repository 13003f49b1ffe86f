#include "compress/batch_rows.h"

#include <QDir>

namespace lanxi {

QString BatchRow::path() const {
    // Joined by hand: QDir would take a name starting with ":" for one of Qt's resources.
    QString folder = QDir::fromNativeSeparators(directory);
    if (!folder.isEmpty() && !folder.endsWith(QLatin1Char('/'))) {
        folder += QLatin1Char('/');
    }
    return QDir::toNativeSeparators(folder + name);
}

bool BatchList::add(const BatchRow& row) {
    if (names_.contains(row.name)) {
        return false;
    }
    names_.insert(row.name);
    rows_.push_back(row);
    return true;
}

void BatchList::remove(const std::vector<int>& ascending) {
    std::size_t next = 0;  // the next index to remove
    std::size_t kept = 0;
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        if (next < ascending.size() && std::size_t(ascending[next]) == i) {
            names_.remove(rows_[i].name);
            ++next;
            continue;
        }
        if (kept != i) {
            rows_[kept] = std::move(rows_[i]);
        }
        ++kept;
    }
    rows_.resize(kept);
}

void BatchList::clear() {
    rows_.clear();
    names_.clear();
}

}  // namespace lanxi
