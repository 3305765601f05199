#pragma once

// Documents a room member can send that once cost the preview without bound, shared by the document
// preview's tests and the benchmark: PDFs written by hand (one content stream shared by every page,
// so a file of many pages or many strokes stays small) and text files.

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QSizeF>
#include <QString>

namespace pelnix::test {

// `content` (PDF drawing operators) deflated as a PDF stream wants it: zlib without qCompress's
// four-byte length.
inline QByteArray deflated(const QByteArray& content) {
    return qCompress(content, 9).mid(4);
}

// A PDF of `pages` pages; page i is sizes[i % sizes.size()] points and draws
// contents[i % contents.size()]. Its page tree claims `claimed` pages when that is given: the PDF
// engine takes the tree's word for up to a million.
inline QByteArray pdf(int pages, const QList<QSizeF>& sizes, const QList<QByteArray>& contents,
                      int claimed = -1) {
    QByteArray out("%PDF-1.4\n");
    QList<qsizetype> offsets;
    const auto object = [&](const QByteArray& body) {
        offsets << out.size();
        out += QByteArray::number(offsets.size()) + " 0 obj\n" + body + "\nendobj\n";
    };
    object("<< /Type /Catalog /Pages 2 0 R >>");
    const int firstPage = 3 + int(contents.size());
    QByteArray kids;
    for (int page = 0; page < pages; ++page)
        kids += QByteArray::number(firstPage + page) + " 0 R ";
    object("<< /Type /Pages /Kids [" + kids + "] /Count " +
           QByteArray::number(claimed < 0 ? pages : claimed) + " >>");
    for (const QByteArray& content : contents) {
        const QByteArray stream = deflated(content);
        object("<< /Length " + QByteArray::number(stream.size()) + " /Filter /FlateDecode >>\nstream\n" +
               stream + "\nendstream");
    }
    for (int page = 0; page < pages; ++page) {
        const QSizeF size = sizes[page % sizes.size()];
        object("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + QByteArray::number(size.width()) + " " +
               QByteArray::number(size.height()) + "] /Contents " +
               QByteArray::number(3 + page % contents.size()) + " 0 R >>");
    }
    const qsizetype xref = out.size();
    out += "xref\n0 " + QByteArray::number(offsets.size() + 1) + "\n0000000000 65535 f \n";
    for (qsizetype offset : offsets)
        out += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
    out += "trailer\n<< /Size " + QByteArray::number(offsets.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
           QByteArray::number(xref) + "\n%%EOF\n";
    return out;
}

inline QByteArray pdf(int pages, const QSizeF& size, const QByteArray& content) {
    return pdf(pages, QList<QSizeF>{size}, QList<QByteArray>{content});
}

// A page's worth of ordinary drawing: a red band over its top third.
inline QByteArray bandContent(const QSizeF& size) {
    return "1 0 0 rg 0 " + QByteArray::number(size.height() * 2 / 3) + " " +
           QByteArray::number(size.width()) + " " + QByteArray::number(size.height() / 3) + " re f\n";
}

// `strokes` short lines criss-crossing the page, each stroked on its own. They repeat every 509
// strokes, well inside deflate's window, so 4 M of them take a few hundred KB.
inline QByteArray strokeContent(int strokes, const QSizeF& size) {
    QByteArray content;
    content.reserve(qsizetype(strokes) * 24);
    const int w = int(size.width()), h = int(size.height());
    for (int i = 0; i < strokes; ++i) {
        const int k = i % 509;
        content += QByteArray::number(k % w) + ' ' + QByteArray::number(k % h) + " m " +
                   QByteArray::number((k * 7) % w) + ' ' + QByteArray::number((k * 13) % h) + " l S\n";
    }
    return content;
}

inline bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// `length` bytes of one word.
inline QByteArray oneWord(qsizetype length) {
    return QByteArray(length, 'w');
}

// At least `length` bytes of short lines.
inline QByteArray shortLines(qsizetype length) {
    QByteArray text;
    text.reserve(length + 64);
    for (int line = 0; text.size() < length; ++line)
        text += "Line " + QByteArray::number(line) + " of the log: all is well.\n";
    return text;
}

} // namespace pelnix::test
