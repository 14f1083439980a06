#pragma once
// Undo and redo for a report document: a bounded history of snapshots (the document's template
// stream, the selection and the printer's paper) taken before each change. A voucher template
// is a few kilobytes, so a few hundred steps cost little, and restoring a snapshot gives back
// exactly the bytes the document had. A large table's snapshot runs to megabytes, so the
// history is bounded by bytes as well as by steps; the oldest steps go first.
#include <QByteArray>
#include <QList>
#include <QPair>
#include <functional>
#include <optional>

#include "model/templatestream.h"

namespace karvell {

class TReportDocument;

class TUndoHistory {
public:
    static constexpr qsizetype DefaultByteLimit = qsizetype(64) * 1024 * 1024;
    explicit TUndoHistory(TReportDocument& document, int limit = 200,
                          qsizetype byteLimit = DefaultByteLimit);

    // Around one change: Begin() takes the snapshot, End() keeps it as an undo step when the
    // document (or the printer's paper) changed and drops it otherwise. Nested pairs make one
    // step. Answers whether a step was kept.
    void Begin();
    bool End();
    // Begin() + End() around a function.
    template <typename F> bool Change(F&& change) {
        Begin();
        try {
            change();
        } catch (...) {
            End();
            throw;
        }
        return End();
    }
    bool IsRecording() const { return m_depth > 0; }

    bool CanUndo() const { return !m_undo.isEmpty(); }
    bool CanRedo() const { return !m_redo.isEmpty(); }
    // Restore the state before the last change (after the last undo). False when there is none.
    bool Undo();
    bool Redo();
    // Another document (open, close, new table): nothing to go back to. The current state
    // counts as saved when `saved`.
    void Clear(bool saved = true);

    // The current state is what the file holds.
    void MarkSaved() { m_savedId = m_currentId; }
    bool IsAtSavedState() const { return m_currentId == m_savedId; }

    // Called after a step was kept, undone or redone and after Clear (windows update their
    // items and saved flags).
    std::function<void()> OnChanged;

    int UndoCount() const { return int(m_undo.size()); }
    int RedoCount() const { return int(m_redo.size()); }
    int Limit() const { return m_limit; }
    qsizetype ByteLimit() const { return m_byteLimit; }
    // Bytes the kept undo and redo snapshots hold.
    qsizetype Bytes() const { return m_bytes; }

private:
    struct State {
        QByteArray stream;
        std::optional<TemplateTrailer> printerPaper; // none without a printer
        QList<QPair<int, int>> selection;            // line, cell
        QPair<int, int> focus{-1, -1};
        int id = 0;
    };
    State Capture() const;
    void Restore(const State& state);
    static qsizetype SizeOf(const State& state);
    void PushUndo(State state);
    void PushRedo(State state);
    State PopUndo();
    State PopRedo();
    // Drops the oldest steps until both bounds hold; the newest undo step always stays.
    void Trim();

    TReportDocument& m_document;
    int m_limit;
    qsizetype m_byteLimit;
    qsizetype m_bytes = 0;
    QList<State> m_undo, m_redo;
    std::optional<State> m_pending;
    int m_depth = 0;
    int m_nextId = 1;
    int m_currentId = 0;
    int m_savedId = 0;
};

} // namespace karvell
