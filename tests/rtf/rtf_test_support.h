#pragma once

#include <QString>
#include <QStringList>
#include <QTextCharFormat>

#include <functional>
#include <string>
#include <vector>

class QTextDocument;

namespace rtftest {

QString dataDir(); // tests/data
QByteArray readBytes(const QString& path);
QString readUtf8(const QString& path);

// One row of a manifest.tsv: column name -> value ("-" already turned into "").
struct ManifestRow {
    std::string name; // test name made from the file name
    QString file, expected, mode, ignore, formats, description;
    QStringList alternatives;
    QStringList features;
};
std::vector<ManifestRow> loadManifest(const QString& folder);

// The comparison steps shared by both test folders.
QString normalise(QString text);
// Empty when actual matches expected under the mode; else a description of the difference.
QString compare(const QString& actual, const QString& expected, const QString& mode,
                const QString& ignore);

// The document's raw text, as the comparison modes see it.
QString documentText(const QTextDocument& document);

// Checks pred for the format of every character of the first occurrence of text.
bool runHas(const QTextDocument& document, const QString& text,
            const std::function<bool(const QTextCharFormat&)>& pred);
int imageCount(const QTextDocument& document);

} // namespace rtftest
