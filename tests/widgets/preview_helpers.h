#pragma once
// Helpers of the preview, page-setup and designer tests: acting on a modal window from inside
// its own loop, page streams and templates made with the document model.
#include <QApplication>
#include <QBuffer>
#include <QDialog>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

#include "model/reportdocument.h"

namespace karvell::testutil {

// Calls `act` with the modal window of type T as soon as it runs. A modal window of another
// type that stays up for seconds, or the one acted on when `act` left it open, is rejected (and
// the test fails) instead of hanging the run.
// The watch ends when the answer goes out of scope, so it never reaches into a later test.
template <class T> [[nodiscard]] std::unique_ptr<QTimer> WhenModal(std::function<void(T*)> act) {
    auto timer = std::make_unique<QTimer>();
    timer->setInterval(10);
    QTimer* t = timer.get();
    auto waited = std::make_shared<int>(0);
    // The window acted on; once set, it is only watched: left open, it would hold the test's
    // exec() for ever.
    auto acted = std::make_shared<QPointer<QWidget>>();
    auto done = std::make_shared<bool>(false);
    QObject::connect(t, &QTimer::timeout, [t, act, waited, acted, done] {
        QWidget* modal = QApplication::activeModalWidget();
        if (*done) {
            if (!*acted || modal != *acted) {
                t->stop();
            } else if (++*waited > 500) {
                t->stop();
                ADD_FAILURE() << "modal window left open " << modal->metaObject()->className();
                if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
            }
            return;
        }
        if (T* wanted = qobject_cast<T*>(modal)) {
            *done = true;
            *waited = 0;
            *acted = wanted;
            act(wanted);
            return;
        }
        if (modal && ++*waited > 500) {
            t->stop();
            ADD_FAILURE() << "unexpected modal window " << modal->metaObject()->className();
            if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
        }
    });
    timer->start();
    return timer;
}

// Page streams as the runtime produces them: template streams, one document each, whose first
// cell says which page it is ("页1", "页2", …).
struct PageStreams {
    std::vector<std::unique_ptr<QBuffer>> owned;
    QList<QBuffer*> list;
};
PageStreams MakePageStreams(int count);
QString FirstCellText(const TReportDocument& document);

// A template of three lines: a header, a detail line with the fields 名称 and 金额 of the data
// set `dataSet`, and a footer with the page number. `detailHeight` sets the detail line's
// height, so that a given number of records needs several pages.
void WriteDetailTemplate(const QString& fileName, const QString& dataSet, int detailHeight);

} // namespace karvell::testutil
