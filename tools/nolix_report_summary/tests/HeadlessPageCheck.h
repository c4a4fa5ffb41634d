// Opens a local page in headless Chromium, driven over its DevTools protocol through a pipe
// (DevToolsPipe; no port is opened), and records what a reader of the page would notice:
// console messages and errors, exceptions, and every request the page makes besides loading
// itself.
#pragma once

#include <NxGui/testing/browser/DevToolsPipe.h>

#include <QJsonObject>
#include <QString>
#include <QStringList>

namespace Nx {

struct PageCheckResult {
    bool loaded = false;
    QStringList consoleErrors;  // console errors, exceptions and error log entries
    QStringList requests;       // URLs other than the page itself and data: URLs
    int svgCount = -1;          // <svg> elements in the loaded document
    QString bodyText;           // document.body.innerText
};

class HeadlessPageCheck {
public:
    HeadlessPageCheck();
    ~HeadlessPageCheck();

    // What a browser test says when it is skipped.
    static constexpr const char* NO_CHROMIUM =
        "chromium is not installed (Debian package chromium, scripts/setup.sh): browser check skipped";
    // The chromium program on PATH, or empty.
    static QString findChromium() { return DevToolsPipe::findChromium(); }
    // Opens the page once in a browser of its own with a fresh profile; false with why when the
    // browser did not start or the page did not load.
    static bool checkOnce(const QString& chromium, const QString& path, PageCheckResult* result, QString* why);
    // Starts the browser with a fresh profile in profileDir; false with the reason.
    bool start(const QString& chromium, const QString& profileDir, QString* why);
    // Loads file://path, waits for its load event and a moment for late events.
    PageCheckResult open(const QString& path, QString* why);
    // Saves a screenshot of the whole page as PNG.
    bool screenshot(const QString& pngPath, QString* why);
    void close() { browser.close(); }

private:
    // A command to the page (Target.* commands go to the browser itself).
    QJsonObject call(const QString& method, const QJsonObject& params, QString* error, int timeoutMs = 15000);
    void handleEvent(const QJsonObject& message);

    DevToolsPipe browser;
    QString session;
    QString pageUrl;
    bool loadFired = false;
    PageCheckResult current;
};

}  // namespace Nx
