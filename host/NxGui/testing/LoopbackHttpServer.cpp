#include "LoopbackHttpServer.h"

#include <QTcpSocket>

namespace Nx {

LoopbackHttpServer::LoopbackHttpServer(QObject* parent) : QObject(parent) {
    connect(&server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* s = server.nextPendingConnection()) {
            s->setParent(this);
            auto* buffer = new QByteArray();
            connect(s, &QTcpSocket::readyRead, this, [this, s, buffer] {
                buffer->append(s->readAll());
                if (buffer->contains("\r\n\r\n")) {
                    s->setProperty("request", *buffer);
                    buffer->clear();
                    handle(s);
                }
            });
            connect(s, &QTcpSocket::disconnected, s, [s, buffer] {
                delete buffer;
                s->deleteLater();
            });
        }
    });
}

bool LoopbackHttpServer::start() {
    return server.listen(QHostAddress::LocalHost, 0);
}

QString LoopbackHttpServer::baseUrl() const {
    return QString("http://127.0.0.1:%1").arg(port());
}

void LoopbackHttpServer::setFile(const QString& path, const QByteArray& body, const QByteArray& contentType) {
    Response r;
    r.body = body;
    r.contentType = contentType;
    routes[path] = r;
}

void LoopbackHttpServer::handle(QTcpSocket* s) {
    const QByteArray request = s->property("request").toByteArray();
    const QList<QByteArray> first = request.left(request.indexOf("\r\n")).split(' ');
    const QString path = first.size() >= 2 ? QString::fromUtf8(first.at(1)) : QString();
    requested.append(path);
    Response r;
    if (routes.contains(path)) {
        r = routes.value(path);
    } else {
        r.status = 404;
        r.body = "Not found\n";
    }
    if (r.stall) {
        return;
    }
    const QByteArray reason = r.status == 200 ? "OK" : r.status == 404 ? "Not Found" : "Error";
    QByteArray head = "HTTP/1.0 " + QByteArray::number(r.status) + " " + reason + "\r\n";
    head += "Content-Type: " + r.contentType + "\r\n";
    if (r.sendLength) {
        head += "Content-Length: " + QByteArray::number(r.body.size()) + "\r\n";
    }
    head += "Connection: close\r\n\r\n";
    s->write(head);
    s->write(r.body);
    s->disconnectFromHost();
}

}  // namespace Nx
