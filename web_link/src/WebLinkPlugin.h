// The web link plug-in: watches the system clipboard and carries out the commands that a web
// page puts there (see ClipboardCommand): open an Ensembl or PDB entry, downloaded by the host,
// or open pasted data; then it empties the clipboard.
#pragma once

#include <NxCore/plugin/Plugin.h>

namespace Nx {

class ClipboardCommand;

class WebLinkPlugin : public Plugin {
    Q_OBJECT
public:
    WebLinkPlugin();

    // The clipboard text seen at the previous check (process-wide; null at first).
    static QString getRememberedText();

public Q_SLOTS:
    void sl_clipboardCheck();

private:
    // Returns whether the clipboard was emptied.
    bool openSelection(const ClipboardCommand& cmd);
    bool openEntry(const ClipboardCommand& cmd, const QString& downloadDir);
};

}  // namespace Nx
