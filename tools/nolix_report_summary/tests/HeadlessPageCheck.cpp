#include "HeadlessPageCheck.h"

#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QUrl>

namespace Nx {

HeadlessPageCheck::HeadlessPageCheck() {
    browser.onEvent = [this](const QJsonObject& message) { handleEvent(message); };
}

// The browser ends while the page's record still stands: its last events are still handled.
HeadlessPageCheck::~HeadlessPageCheck() {
    browser.close();
}

bool HeadlessPageCheck::checkOnce(const QString& chromium, const QString& path, PageCheckResult* result,
                                  QString* why) {
    QTemporaryDir profile;
    HeadlessPageCheck browser;
    if (!profile.isValid()) {
        *why = "no temporary folder for the browser's profile";
        return false;
    }
    if (!browser.start(chromium, profile.path(), why)) {
        return false;
    }
    *result = browser.open(path, why);
    return result->loaded;
}

bool HeadlessPageCheck::start(const QString& chromium, const QString& profileDir, QString* why) {
    const QStringList args{"--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
                           "--no-default-browser-check", "--user-data-dir=" + profileDir, "about:blank"};
    if (!browser.start(chromium, args, {}, profileDir + "/browser.log", why)) {
        return false;
    }
    QString error;
    const QJsonObject target = call("Target.createTarget", {{"url", "about:blank"}}, &error, 30000);
    if (!error.isEmpty()) {
        *why = "no page target: " + error;
        return false;
    }
    const QJsonObject attached =
        call("Target.attachToTarget", {{"targetId", target.value("targetId")}, {"flatten", true}}, &error);
    session = attached.value("sessionId").toString();
    if (session.isEmpty()) {
        *why = "cannot attach to the page: " + error;
        return false;
    }
    for (const char* domain : {"Network.enable", "Runtime.enable", "Log.enable", "Page.enable"}) {
        call(domain, {}, &error);
        if (!error.isEmpty()) {
            *why = QString("%1: %2").arg(domain, error);
            return false;
        }
    }
    return true;
}

QJsonObject HeadlessPageCheck::call(const QString& method, const QJsonObject& params, QString* error, int timeoutMs) {
    return browser.call(method, params, method.startsWith("Target.") ? QString() : session, error, timeoutMs);
}

void HeadlessPageCheck::handleEvent(const QJsonObject& message) {
    const QString method = message.value("method").toString();
    const QJsonObject params = message.value("params").toObject();
    if (method == "Page.loadEventFired") {
        loadFired = true;
    } else if (method == "Network.requestWillBeSent") {
        const QString url = params.value("request").toObject().value("url").toString();
        if (url != pageUrl && !url.startsWith("data:")) {
            current.requests << url;
        }
    } else if (method == "Runtime.consoleAPICalled") {
        const QString type = params.value("type").toString();
        if (type == "error" || type == "assert") {
            current.consoleErrors << "console." + type + ": " +
                                         QString::fromUtf8(QJsonDocument(params.value("args").toArray()).toJson(
                                             QJsonDocument::Compact));
        }
    } else if (method == "Runtime.exceptionThrown") {
        current.consoleErrors << "exception: " + params.value("exceptionDetails").toObject().value("text").toString();
    } else if (method == "Log.entryAdded") {
        const QJsonObject entry = params.value("entry").toObject();
        if (entry.value("level").toString() == "error") {
            current.consoleErrors << entry.value("source").toString() + ": " + entry.value("text").toString();
        }
    }
}

PageCheckResult HeadlessPageCheck::open(const QString& path, QString* why) {
    current = PageCheckResult();
    loadFired = false;
    pageUrl = QUrl::fromLocalFile(path).toString();
    QString error;
    call("Page.navigate", {{"url", pageUrl}}, &error);
    if (!error.isEmpty()) {
        *why = "Page.navigate: " + error;
        return current;
    }
    QElapsedTimer t;
    t.start();
    while (!loadFired && t.elapsed() < 30000) {
        browser.pump(50);
    }
    if (!loadFired) {
        *why = "the page did not finish loading";
        return current;
    }
    browser.pump(500);  // messages the page logs after its load event
    current.loaded = true;
    auto evaluate = [&](const QString& expression) {
        const QJsonObject r = call("Runtime.evaluate", {{"expression", expression}, {"returnByValue", true}}, &error);
        return r.value("result").toObject().value("value").toVariant();
    };
    current.svgCount = evaluate("document.querySelectorAll('svg').length").toInt();
    current.bodyText = evaluate("document.body.innerText").toString();
    return current;
}

bool HeadlessPageCheck::screenshot(const QString& pngPath, QString* why) {
    QString error;
    const QJsonObject r = call("Page.captureScreenshot", {{"format", "png"}, {"captureBeyondViewport", true}}, &error);
    if (!error.isEmpty()) {
        *why = error;
        return false;
    }
    QFile f(pngPath);
    if (!f.open(QIODevice::WriteOnly)) {
        *why = f.errorString();
        return false;
    }
    f.write(QByteArray::fromBase64(r.value("data").toString().toLatin1()));
    return true;
}

}  // namespace Nx
