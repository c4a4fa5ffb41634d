// Forward iterator over database records. The caller that asks for one deletes it.
#pragma once

#include <QList>

namespace Nx {

template <class T>
class NxDbiIterator {
public:
    virtual ~NxDbiIterator() = default;
    virtual bool hasNext() = 0;
    virtual T next() = 0;
    virtual T peek() = 0;
};

// Iterator over a list already in memory.
template <class T>
class NxBufferedDbiIterator : public NxDbiIterator<T> {
public:
    explicit NxBufferedDbiIterator(const QList<T>& items, const T& errValue = T())
        : items(items), errValue(errValue) {}
    bool hasNext() override { return pos < items.size(); }
    T next() override { return pos < items.size() ? items.at(pos++) : errValue; }
    T peek() override { return pos < items.size() ? items.at(pos) : errValue; }

private:
    QList<T> items;
    T errValue;
    int pos = 0;
};

}  // namespace Nx
