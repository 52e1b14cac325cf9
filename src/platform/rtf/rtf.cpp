#include "rtf.h"

#include "reader.h"
#include "writer.h"

#include <QFile>
#include <QSaveFile>
#include <QTextCursor>
#include <QTextDocument>

namespace kt::rtf {

bool read(const QByteArray& data, QTextDocument& document, QString* error) {
    Q_UNUSED(error);
    const bool undo = document.isUndoRedoEnabled();
    document.setUndoRedoEnabled(false);
    document.clear();
    if (detail::looksLikeRtf(data))
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
    const QByteArray data = write(document);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    if (file.write(data) != data.size()) {
        if (error)
            *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

} // namespace kt::rtf
