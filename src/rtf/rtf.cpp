#include "rtf.h"

#include "reader.h"
#include "writer.h"

#include <QFile>
#include <QSaveFile>
#include <QTextCursor>
#include <QTextDocument>

namespace kt::rtf {

bool read(const QByteArray& data, QTextDocument& document, QString* error) {
    const bool rtf = detail::looksLikeRtf(data);
    // A picture or a program shown as text would be nonsense, and saving it would write over
    // the file it came from.
    if (!rtf && !detail::looksLikeText(data)) {
        if (error)
            *error = QStringLiteral("the file is neither rich text nor plain text");
        return false;
    }
    const bool undo = document.isUndoRedoEnabled();
    document.setUndoRedoEnabled(false);
    document.clear();
    if (rtf)
        detail::readRtf(data, document);
    else
        detail::readPlainText(data, document);
    document.setUndoRedoEnabled(undo);
    document.setModified(false);
    return true;
}

QByteArray write(const QTextDocument& document) {
    return detail::writeRtf(document);
}

bool loadFile(const QString& path, QTextDocument& document, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return read(data, document, error);
}

bool saveFile(const QString& path, const QTextDocument& document, QString* error) {
    return saveBytes(path, write(document), error);
}

bool saveBytes(const QString& path, const QByteArray& data, QString* error) {
    QSaveFile file(path);
    // Unbuffered, so that every write reaches the file here, where its failure is seen. A
    // buffered tail is written by commit(), which does not notice that write failing: on a full
    // disk a torn file would replace the good one and the save would report success.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    // A short write carries no error of its own (the disk filled up after some bytes); writing
    // on is what brings out the reason, so the user learns why and not "Unknown error".
    for (qint64 done = 0; done < data.size();) {
        const qint64 n = file.write(data.constData() + done, data.size() - done);
        if (n <= 0) {
            if (error)
                *error = file.error() != QFileDevice::NoError
                             ? file.errorString()
                             : QStringLiteral("the disk took no more data (it may be full)");
            file.cancelWriting();
            return false;
        }
        done += n;
    }
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

} // namespace kt::rtf
