// Mark flags of variation rows not yet written. An annotation marks its variations in row order,
// each once or twice in a row: they are kept in arrival order then, and merged and looked up
// without a hash. Marks that come out of order switch to a hash for the rest of the batch.
#pragma once

#include <QHash>

#include <algorithm>
#include <utility>
#include <vector>

namespace Nx {

class PendingMarks {
public:
    void add(qint64 row, int flag) {
        if (!ordered) {
            byRow[row] |= flag;
            return;
        }
        if (!rows.empty() && rows.back().first == row) {
            rows.back().second |= flag;
            return;
        }
        if (!rows.empty() && row < rows.back().first) {
            ordered = false;
            for (const auto& r : rows) {
                byRow.insert(r.first, r.second);
            }
            rows.clear();
            add(row, flag);
            return;
        }
        rows.emplace_back(row, flag);
    }

    // Flags of the row, 0 when it has none.
    int flags(qint64 row) const {
        if (!ordered) {
            return byRow.value(row, 0);
        }
        const auto it = std::lower_bound(rows.begin(), rows.end(), row,
                                         [](const std::pair<qint64, int>& r, qint64 v) { return r.first < v; });
        return it != rows.end() && it->first == row ? it->second : 0;
    }

    // Rows marked.
    int size() const { return ordered ? int(rows.size()) : byRow.size(); }
    bool isEmpty() const { return ordered ? rows.empty() : byRow.isEmpty(); }

    // Every marked row once, by ascending row.
    std::vector<std::pair<qint64, int>> sorted() const {
        if (ordered) {
            return rows;
        }
        std::vector<std::pair<qint64, int>> all;
        all.reserve(size_t(byRow.size()));
        for (auto it = byRow.constBegin(); it != byRow.constEnd(); ++it) {
            all.emplace_back(it.key(), it.value());
        }
        std::sort(all.begin(), all.end());
        return all;
    }

    template <typename F>
    void forEach(F f) const {
        if (ordered) {
            for (const auto& r : rows) {
                f(r.first, r.second);
            }
            return;
        }
        for (auto it = byRow.constBegin(); it != byRow.constEnd(); ++it) {
            f(it.key(), it.value());
        }
    }

    void clear() {
        rows.clear();
        byRow.clear();
        ordered = true;
    }

private:
    std::vector<std::pair<qint64, int>> rows;  // ascending while ordered
    QHash<qint64, int> byRow;                  // once out of order
    bool ordered = true;
};

}  // namespace Nx
