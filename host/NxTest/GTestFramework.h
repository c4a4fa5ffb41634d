// The test framework of the suite: the registry of test formats, with "XML" registered.
#pragma once

#include <NxTest/GTestFormat.h>

#include <QObject>

namespace Nx {

class GTestFramework : public QObject {
    Q_OBJECT
public:
    explicit GTestFramework(QObject* parent = nullptr);
    GTestFormatRegistry* getTestFormatRegistry() const { return formatRegistry; }

private:
    GTestFormatRegistry* formatRegistry;  // child
};

}  // namespace Nx
