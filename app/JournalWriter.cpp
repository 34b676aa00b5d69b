#include "app/JournalWriter.h"

#include <QThread>

namespace {

// A thread that runs one function. Not QThread::create: its std::future machinery uses thread-local storage, which
// makes the program link the dynamic loader itself (a dependency no Debian package declares).
class FunctionThread : public QThread
{
public:
    explicit FunctionThread(std::function<void()> work) : work(std::move(work)) {}

protected:
    void run() override { work(); }

private:
    std::function<void()> work;
};

} // namespace

JournalWriter::JournalWriter(RecoveryJournal &journal, Take take, QObject *parent)
    : QObject(parent), journal(journal), take(std::move(take))
{
    timer.setSingleShot(true);
    connect(&timer, &QTimer::timeout, this, [this] { due(); });
    clock.start();
    worker = new FunctionThread([this] { run(); });
    worker->setObjectName(QStringLiteral("journal"));
    worker->start(QThread::LowPriority);
}

JournalWriter::~JournalWriter()
{
    stop();
}

void JournalWriter::changed()
{
    // No timer restart per keystroke: the timer, once armed, looks at the time of the last edit when it fires.
    lastChange = clock.elapsed();
    dirty = true;
    clean = false;
    if (!timer.isActive()) {
        firstChange = lastChange;
        timer.start(idleMs);
    }
}

void JournalWriter::due()
{
    const qint64 now = clock.elapsed();
    const qint64 idleLeft = lastChange + idleMs - now;
    const qint64 longestLeft = firstChange + longestMs - now;
    if (idleLeft > 0 && longestLeft > 0) {
        timer.start(int(qMin(idleLeft, longestLeft)));
        return;
    }
    post();
}

void JournalWriter::post()
{
    if (!dirty || !worker)
        return;
    Snapshot snapshot = take();
    // A real copy: the worker must not read the editor's buffer while the user goes on typing.
    snapshot.utf8 = QByteArray(snapshot.utf8.constData(), snapshot.utf8.size());
    dirty = false;
    QMutexLocker locker(&stateMutex);
    queued = std::move(snapshot);
    queuedSequence = ++nextSequence;
    wake.wakeOne();
}

RecoveryJournal::Save JournalWriter::writeNow()
{
    // Nothing changed since the last write made here: timer callbacks run script code many times a second, and
    // comparing a large text with the journal's each time would cost more than the callbacks.
    if (clean)
        return RecoveryJournal::Save::Unchanged;
    timer.stop();
    const quint64 sequence = ++nextSequence;
    {
        QMutexLocker locker(&stateMutex);
        queued = Snapshot();
        queuedSequence = 0;
    }
    dirty = false;
    const RecoveryJournal::Save result = write(take(), sequence, &lastError);
    clean = result != RecoveryJournal::Save::Failed;
    return result;
}

RecoveryJournal::Save JournalWriter::write(const Snapshot &snapshot, quint64 sequence, QString *error)
{
    QMutexLocker locker(&writeMutex);
    // An older text than the one already written (writeNow overtook the worker) is not written over it.
    if (sequence < writtenSequence)
        return RecoveryJournal::Save::Unchanged;
    writtenSequence = sequence;
    const RecoveryJournal::Save result = journal.save(snapshot.utf8, snapshot.origin);
    if (result == RecoveryJournal::Save::Failed)
        *error = journal.errorString();
    return result;
}

void JournalWriter::run()
{
    for (;;) {
        Snapshot snapshot;
        quint64 sequence = 0;
        {
            QMutexLocker locker(&stateMutex);
            while (!stopping && queuedSequence == 0)
                wake.wait(&stateMutex);
            if (stopping)
                return;
            snapshot = std::move(queued);
            sequence = queuedSequence;
            queued = Snapshot();
            queuedSequence = 0;
        }
        QString error;
        if (write(snapshot, sequence, &error) == RecoveryJournal::Save::Failed)
            emit failed(error);
    }
}

void JournalWriter::stop()
{
    timer.stop();
    if (!worker)
        return;
    {
        QMutexLocker locker(&stateMutex);
        stopping = true;
        queued = Snapshot();
        queuedSequence = 0;
        wake.wakeOne();
    }
    worker->wait();
    delete worker;
    worker = nullptr;
}
