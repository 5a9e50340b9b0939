#pragma once

#include <QObject>

class QTimer;

// When a document's recovery copy is due: about 2 s after the typing pauses,
// and while the typing goes on, at least every 10 s. Both timers run only
// while the document has changes that no copy holds yet, so a program whose
// documents are all saved or copied has none running.
class RecoverySchedule : public QObject
{
    Q_OBJECT
public:
    static constexpr int PauseMs = 2000;
    static constexpr int LongestMs = 10000;

    explicit RecoverySchedule(QObject* parent = nullptr);

    // The document changed: the pause starts again, and the longest wait
    // starts unless it runs already.
    void changed();
    // Nothing is due any more (the copy is being taken, or the document was
    // saved or closed).
    void stop();
    bool isPending() const;

signals:
    void due();

private:
    void fire();

    QTimer* m_pause;
    QTimer* m_longest;
};
