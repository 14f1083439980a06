#pragma once
// The page writer: loads produced pages (template streams, as the runtime keeps them) one at a
// time and hands each, on its own paper, to a sink. Loading touches no printer state, so pages
// of different papers print each on its own. Long runs on a sink that can be split are painted
// by two threads into two parts that the sink joins, the first while the pages are still being
// made where the caller makes them through WriteAsMade.
#include <QBuffer>
#include <QByteArray>
#include <QList>
#include <QMarginsF>
#include <QString>
#include <functional>
#include <memory>

namespace karvell {

class ProgressReport;
class TPageSink;
class TPageSpool;
class TReportDocument;

class TPageWriter {
public:
    // `unprintableMm`: the device's margins (the current printer's by default).
    explicit TPageWriter(TPageSink& sink);
    TPageWriter(TPageSink& sink, const QMarginsF& unprintableMm);

    // Reports "写入 …" progress on `progress` while writing (optional).
    void SetProgress(ProgressReport* progress, const QString& label) {
        m_progress = progress;
        m_label = label;
    }
    // Appends the pages to the sink, in order; throws KarvellError naming the page that cannot
    // be loaded or written. Pages are released as soon as they are written.
    void Write(const QList<QBuffer*>& pages);
    void Write(const TPageSpool& pages);
    // `count` pages, page i's stream (0-based) given by `page` (called on this thread only).
    void Write(int count, const std::function<QByteArray(int)>& page);
    // Pages painted while they are made: make() makes them into `pages` on this thread and
    // answers whether the run is complete. Where the sink can be split, a second thread paints
    // the first pages as they come, and once the last one is made this thread paints the pages
    // the other has not reached, each into a part of its own. Nothing reaches the sink when
    // make() answers false or throws (the spool is closed either way). Answers make()'s answer.
    bool WriteAsMade(TPageSpool& pages, const std::function<bool()>& make);

    // One page, loaded without touching the printer; throws KarvellError naming it.
    static void LoadPage(TReportDocument& into, const QByteArray& stream, int number);

private:
    using PageSource = std::function<QByteArray(int)>;
    void WriteOneThread(int count, const PageSource& page);
    void WriteTwoThreads(int count, const PageSource& page, std::unique_ptr<TPageSink> part);
    void Step(int done);

    TPageSink& m_sink;
    QMarginsF m_unprintable;
    ProgressReport* m_progress = nullptr;
    QString m_label;
    int m_written = 0; // pages written before this Write, for page numbers in messages
};

} // namespace karvell
