// rtf2text [--rtf] FILE: reads FILE with the codec and prints its plain text as UTF-8:
// paragraphs and line breaks as LF, a table row's cells separated by tabs. With --rtf it prints
// what the codec's writer makes of the document instead, to compare two builds byte for byte.
// Exit status 1 when FILE cannot be read, 2 on wrong usage.
#include "rtf/document.h"
#include "rtf/rtf.h"
#include "system/headless.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

void appendBlock(const QTextBlock& block, QString& out) {
    const QString text = block.text();
    const qsizetype start = out.size();
    out += text;
    // Rare characters are mended in place afterwards; copying char by char cost more than
    // reading the document.
    if (!text.contains(QChar::LineSeparator) && !text.contains(QChar::ObjectReplacementCharacter))
        return;
    qsizetype to = start;
    for (qsizetype from = start; from < out.size(); ++from) {
        const QChar c = out.at(from);
        if (c == QChar::ObjectReplacementCharacter)
            continue;
        out[to++] = c == QChar::LineSeparator ? QChar(u'\n') : c;
    }
    out.truncate(to);
}

void appendFrame(QTextFrame* frame, QString& out);

// A cell's paragraphs share one line, so that every row stays one line of tab-separated cells.
void appendCell(const QTextTableCell& cell, QString& out) {
    bool first = true;
    for (QTextFrame::iterator it = cell.begin(); !it.atEnd(); ++it) {
        QString part;
        if (QTextFrame* child = it.currentFrame())
            appendFrame(child, part);
        else
            appendBlock(it.currentBlock(), part);
        part.replace(u'\n', u' ');
        part.replace(u'\t', u' ');
        if (!first)
            out += u' ';
        out += part.trimmed();
        first = false;
    }
}

void appendFrame(QTextFrame* frame, QString& out) {
    if (auto* table = qobject_cast<QTextTable*>(frame)) {
        for (int r = 0; r < table->rows(); ++r) {
            for (int c = 0; c < table->columns(); ++c) {
                const QTextTableCell cell = table->cellAt(r, c);
                if (c > 0)
                    out += u'\t';
                if (cell.row() == r && cell.column() == c)
                    appendCell(cell, out);
            }
            out += u'\n';
        }
        return;
    }
    for (QTextFrame::iterator it = frame->begin(); !it.atEnd(); ++it) {
        if (QTextFrame* child = it.currentFrame()) {
            appendFrame(child, out);
        } else {
            appendBlock(it.currentBlock(), out);
            out += u'\n';
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    kt::system::useHeadlessDefaults("rtf2text-runtime");
    const bool rtf = argc == 3 && std::strcmp(argv[1], "--rtf") == 0;
    if (argc != 2 && !rtf) {
        std::fprintf(stderr, "usage: rtf2text [--rtf] FILE\n");
        return 2;
    }
    const char* path = argv[argc - 1];
    QGuiApplication app(argc, argv);
    kt::rtf::Document document;
    QString error;
    if (!kt::rtf::loadFile(QString::fromLocal8Bit(path), document, &error)) {
        std::fprintf(stderr, "rtf2text: %s: %s\n", path, error.toLocal8Bit().constData());
        return 1;
    }
    QByteArray out;
    if (rtf) {
        out = kt::rtf::write(document);
    } else {
        QString text;
        appendFrame(document.rootFrame(), text);
        out = text.toUtf8();
    }
    std::fwrite(out.constData(), 1, static_cast<size_t>(out.size()), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}
