#include "HttpDownloader.h"

#include <NxCore/core/NxOpStatus.h>

#include <QEventLoop>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QObject>
#include <QTimer>

#include <memory>

namespace Nx {

void HttpDownloader::download(const QUrl& url, const QString& filePath, int timeoutMs, qint64 maxBytes, NxOpStatus& os) {
    const QString partPath = filePath + ".part";
    QFile out(partPath);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        os.setError(QObject::tr("Cannot write %1: %2").arg(partPath, out.errorString()));
        return;
    }

    QNetworkAccessManager nam;
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(5);
    request.setRawHeader("User-Agent", "Nolix");
    std::unique_ptr<QNetworkReply> reply(nam.get(request));

    QString failure;  // set once; the first reason wins
    auto fail = [&](const QString& why) {
        if (failure.isEmpty()) {
            failure = why;
            reply->abort();
        }
    };
    QEventLoop loop;
    QObject::connect(reply.get(), &QNetworkReply::metaDataChanged, &loop, [&] {
        bool ok = false;
        qint64 announced = reply->header(QNetworkRequest::ContentLengthHeader).toLongLong(&ok);
        if (ok && announced > maxBytes) {
            fail(QObject::tr("%1 is too large: %2 bytes announced, at most %3 allowed").arg(url.toString()).arg(announced).arg(maxBytes));
        }
    });
    QObject::connect(reply.get(), &QIODevice::readyRead, &loop, [&] {
        int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        QByteArray chunk = reply->readAll();
        if (status != 200 || !failure.isEmpty()) {
            return;  // error pages are not stored
        }
        if (out.size() + chunk.size() > maxBytes) {
            fail(QObject::tr("%1 is too large: more than %2 bytes").arg(url.toString()).arg(maxBytes));
            return;
        }
        if (out.write(chunk) != chunk.size()) {
            fail(QObject::tr("Cannot write %1: %2").arg(partPath, out.errorString()));
        }
    });
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, [&] {
        fail(QObject::tr("No complete answer from %1 within %2 ms").arg(url.toString()).arg(timeoutMs));
    });
    QTimer cancelPoll;
    QObject::connect(&cancelPoll, &QTimer::timeout, &loop, [&] {
        if (os.isCanceled()) fail(QObject::tr("Download of %1 canceled").arg(url.toString()));
    });
    deadline.start(timeoutMs);
    cancelPoll.start(100);
    if (!reply->isFinished()) {
        loop.exec();
    }

    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (failure.isEmpty()) {
        if (reply->error() != QNetworkReply::NoError && status == 0) {
            failure = QObject::tr("Cannot download %1: %2").arg(url.toString(), reply->errorString());
        } else if (status != 200) {
            QString reason = reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
            failure = QObject::tr("Cannot download %1: HTTP %2 %3").arg(url.toString()).arg(status).arg(reason).trimmed();
        } else {
            QByteArray rest = reply->readAll();
            if (out.size() + rest.size() > maxBytes) {
                failure = QObject::tr("%1 is too large: more than %2 bytes").arg(url.toString()).arg(maxBytes);
            } else if (out.write(rest) != rest.size() || !out.flush()) {
                failure = QObject::tr("Cannot write %1: %2").arg(partPath, out.errorString());
            }
        }
    }
    out.close();
    if (!failure.isEmpty()) {
        QFile::remove(partPath);
        os.setError(failure);
        return;
    }
    QFile::remove(filePath);
    if (!QFile::rename(partPath, filePath)) {
        QFile::remove(partPath);
        os.setError(QObject::tr("Cannot move the download into place at %1").arg(filePath));
    }
}

}  // namespace Nx
