// A small HTTP/1.0 server on 127.0.0.1 for tests: answers GET requests from a table of paths,
// on the thread that created it (the test's main thread spinning its event loop). A route can
// stall (accept and never answer) to provoke time-outs; unknown paths get 404.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QStringList>
#include <QTcpServer>

namespace Nx {

class LoopbackHttpServer : public QObject {
    Q_OBJECT
public:
    struct Response {
        int status = 200;
        QByteArray body;
        QByteArray contentType = "text/plain";
        bool stall = false;            // never answer
        bool sendLength = true;         // false: no Content-Length, the end of the body is the close
    };

    explicit LoopbackHttpServer(QObject* parent = nullptr);

    // False when no loopback port could be opened.
    bool start();
    quint16 port() const { return server.serverPort(); }
    // "http://127.0.0.1:<port>"
    QString baseUrl() const;

    // path with query, e.g. "/1CRN.pdb" or "/sequence/id/ENSG00000139618?content-type=text/x-fasta"
    void setRoute(const QString& pathAndQuery, const Response& r) { routes[pathAndQuery] = r; }
    void setFile(const QString& pathAndQuery, const QByteArray& body, const QByteArray& contentType = "text/plain");
    // Every request line path seen, in arrival order.
    const QStringList& requestedPaths() const { return requested; }

private:
    void handle(QTcpSocket* s);

    QTcpServer server;
    QHash<QString, Response> routes;
    QStringList requested;
};

}  // namespace Nx
