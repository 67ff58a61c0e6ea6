// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/PulseSoundOutput.h"
#include "platform/PulseLibrary.h"
#include "platform/WavSound.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QThread>
#include <QWaitCondition>

#include <sys/inotify.h>
#include <unistd.h>

#include <atomic>
#include <iterator>

namespace {

// When a server may just have come (at start, its socket appearing, the connection lost), a
// connection is tried at once and, while it fails, again after these pauses; then the worker
// sleeps until the socket folder changes or a sound is asked for. A server that has only just
// made its socket may refuse the very first try.
constexpr int RetryMs[] = {250, 1000, 4000};
// A try asked for by a sound comes at most this often, so a ringing alarm without a server
// costs one try a second.
constexpr int DemandGapMs = 1000;
// What the server holds of a playing sound ahead of the output.
constexpr pa_usec_t BufferUs = 50000;
// A stream is closed this long after its sound started: every sound is shorter.
constexpr int KeepStreamMs = 3000;
// How long the first question for the devices waits for the server's answer. A local server
// answers in a few milliseconds; only one that hangs makes the windows wait this long, once.
constexpr int FirstAnswerMs = 500;

}

// Owns the server connection and the one playing stream. Everything of the sound library runs
// here, in its own event loop; the windows' thread only leaves a request and wakes the loop.
class PulseSoundOutput::Worker : public QThread {
public:
    std::atomic<int> devices{0};

    explicit Worker(const PulseLibrary &library) : m_pa(library), m_loop(m_pa.mainloop_new())
    {
        // Where a local server makes its socket, "native" (as the sound library looks for it).
        const QByteArray runtime = qgetenv("PULSE_RUNTIME_PATH");
        const QByteArray user = qgetenv("XDG_RUNTIME_DIR");
        if (!runtime.isEmpty())
            m_socketFolder = QFile::decodeName(runtime);
        else if (!user.isEmpty())
            m_socketFolder = QFile::decodeName(user) + QStringLiteral("/pulse");
    }
    ~Worker() override
    {
        {
            QMutexLocker lock(&m_mutex);
            m_quit = true;
        }
        m_pa.mainloop_wakeup(m_loop);
        wait();
        m_pa.mainloop_free(m_loop);
    }

    // The server is wanted now (a sound is about to be asked for) and no connection is there.
    void wantServer()
    {
        {
            QMutexLocker lock(&m_mutex);
            m_wanted = true;
        }
        m_pa.mainloop_wakeup(m_loop);
    }

    // Waits until the first try to reach the server has its answer (the devices counted, or no
    // server), or at most timeoutMs.
    void waitFirstAnswer(int timeoutMs)
    {
        QMutexLocker lock(&m_mutex);
        const QDeadlineTimer deadline(timeoutMs);
        while (!m_answered && !m_quit)
            if (!m_answer.wait(&m_mutex, deadline))
                return;
    }

    // A sound to start, or an empty name to silence what plays; replaces a request not yet taken.
    void request(const QString &name)
    {
        {
            QMutexLocker lock(&m_mutex);
            m_pending = name;
            m_hasRequest = true;
        }
        m_pa.mainloop_wakeup(m_loop);
    }

protected:
    void run() override
    {
        watchSocketFolder();
        beginTries();
        for (;;) {
            QString name;
            bool hasRequest = false;
            bool wanted = false;
            {
                QMutexLocker lock(&m_mutex);
                if (m_quit)
                    break;
                std::swap(hasRequest, m_hasRequest);
                std::swap(wanted, m_wanted);
                name = m_pending;
            }
            if (wanted && !m_context && m_nextTry.isForever()
                && (!m_sinceTry.isValid() || m_sinceTry.hasExpired(DemandGapMs)))
                m_nextTry = QDeadlineTimer(0);
            followServer();
            if (m_stream && m_sincePlay.hasExpired(KeepStreamMs))
                dropStream();
            if (hasRequest)
                startSound(name);
            // Sleeps until the server says something, a request comes, the socket folder
            // changes, or a deadline above.
            qint64 waitMs = -1;
            if (!m_context && !m_nextTry.isForever())
                waitMs = m_nextTry.remainingTime();
            if (m_stream) {
                const qint64 keep = qMax<qint64>(0, KeepStreamMs - m_sincePlay.elapsed());
                waitMs = waitMs < 0 ? keep : qMin(waitMs, keep);
            }
            if (m_pa.mainloop_prepare(m_loop, waitMs < 0 ? -1 : int(waitMs * 1000)) < 0
                || m_pa.mainloop_poll(m_loop) < 0 || m_pa.mainloop_dispatch(m_loop) < 0)
                break;
        }
        dropStream();
        dropContext();
        unwatchSocketFolder();
    }

private:
    bool ready() const { return m_context && m_pa.context_get_state(m_context) == PA_CONTEXT_READY; }

    // A few tries from now on (see RetryMs).
    void beginTries()
    {
        m_triesLeft = int(std::size(RetryMs));
        m_nextTry = QDeadlineTimer(0);
    }

    void followServer()
    {
        if (!m_context && !m_nextTry.isForever() && m_nextTry.hasExpired()) {
            m_nextTry = QDeadlineTimer(QDeadlineTimer::Forever);
            connectServer();
        }
        // Also a connection that failed at once, with no server to try.
        if (m_context && !PA_CONTEXT_IS_GOOD(m_pa.context_get_state(m_context))) {
            const bool lost = m_wasReady;
            dropContext();
            answered();
            if (lost)
                beginTries(); // a server restarting may be back in a moment
            else if (m_triesLeft > 0)
                m_nextTry = QDeadlineTimer(RetryMs[std::size(RetryMs) - m_triesLeft--]);
        }
        if (ready() && !m_wasReady) {
            m_wasReady = true;
            m_triesLeft = 0;
        }
        if (ready() && !m_subscribed) {
            m_subscribed = true;
            m_recount = true;
            m_pa.context_set_subscribe_callback(m_context, &Worker::onEvent, this);
            if (pa_operation *op = m_pa.context_subscribe(m_context, PA_SUBSCRIPTION_MASK_SINK, nullptr, nullptr))
                m_pa.operation_unref(op);
        }
        if (ready() && m_recount && !m_listing) {
            m_recount = false;
            m_counted = 0;
            if (pa_operation *op = m_pa.context_get_sink_info_list(m_context, &Worker::onSink, this)) {
                m_listing = true;
                m_pa.operation_unref(op);
            }
        }
    }

    void connectServer()
    {
        m_sinceTry.start();
        m_context = m_pa.context_new(m_pa.mainloop_get_api(m_loop), "Quadrelo");
        // A failed connection says so through its state, seen by followServer.
        if (m_context)
            m_pa.context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr);
    }

    void dropContext()
    {
        if (!m_context)
            return;
        dropStream();
        m_pa.context_set_subscribe_callback(m_context, nullptr, nullptr);
        m_pa.context_disconnect(m_context);
        m_pa.context_unref(m_context);
        m_context = nullptr;
        m_subscribed = m_listing = m_recount = m_wasReady = false;
        devices = 0;
    }

    // Watches the folder where a local server makes its socket, or while there is none the folder
    // that will hold it, so that a server that starts or restarts is connected to at once.
    void watchSocketFolder()
    {
        if (m_socketFolder.isEmpty())
            return;
        m_inotify = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (m_inotify < 0)
            return;
        pa_mainloop_api *api = m_pa.mainloop_get_api(m_loop);
        m_inotifyEvent = api->io_new(api, m_inotify, PA_IO_EVENT_INPUT, &Worker::onFolderEvent, this);
        rewatch();
    }

    void rewatch()
    {
        if (m_folderWatch < 0)
            m_folderWatch = inotify_add_watch(m_inotify, QFile::encodeName(m_socketFolder).constData(),
                                              IN_CREATE | IN_MOVED_TO | IN_ONLYDIR);
        // The parent only while the folder is missing: other programs' files come and go there.
        if (m_folderWatch < 0 && m_parentWatch < 0)
            m_parentWatch =
                inotify_add_watch(m_inotify, QFile::encodeName(QFileInfo(m_socketFolder).path()).constData(),
                                  IN_CREATE | IN_MOVED_TO | IN_ONLYDIR);
        else if (m_folderWatch >= 0 && m_parentWatch >= 0) {
            inotify_rm_watch(m_inotify, m_parentWatch);
            m_parentWatch = -1;
        }
    }

    void unwatchSocketFolder()
    {
        if (m_inotifyEvent)
            m_pa.mainloop_get_api(m_loop)->io_free(m_inotifyEvent);
        if (m_inotify >= 0)
            close(m_inotify);
    }

    static void onFolderEvent(pa_mainloop_api *, pa_io_event *, int fd, pa_io_event_flags_t, void *self)
    {
        auto *w = static_cast<Worker *>(self);
        alignas(inotify_event) char buffer[4096];
        bool socketCame = false;
        bool folderCame = false;
        ssize_t n;
        while ((n = read(fd, buffer, sizeof buffer)) > 0) {
            for (char *p = buffer; p < buffer + n;) {
                const auto *e = reinterpret_cast<const inotify_event *>(p);
                const QByteArray name = e->len ? QByteArray(e->name) : QByteArray();
                if (e->wd == w->m_folderWatch && (e->mask & IN_IGNORED)) {
                    w->m_folderWatch = -1; // the folder is gone
                    folderCame = true;
                } else if (e->wd == w->m_folderWatch && name == "native") {
                    socketCame = true;
                } else if (e->wd == w->m_parentWatch
                           && name == QFile::encodeName(QFileInfo(w->m_socketFolder).fileName())) {
                    folderCame = true;
                }
                p += sizeof(inotify_event) + e->len;
            }
        }
        if (folderCame) {
            w->rewatch();
            // The socket may have been made before the folder was watched.
            socketCame = socketCame || QFileInfo::exists(w->m_socketFolder + QStringLiteral("/native"));
        }
        if (socketCame && !w->m_context)
            w->beginTries();
    }

    static void onEvent(pa_context *, pa_subscription_event_type_t type, uint32_t, void *self)
    {
        const int kind = type & PA_SUBSCRIPTION_EVENT_TYPE_MASK;
        if ((type & PA_SUBSCRIPTION_EVENT_FACILITY_MASK) == PA_SUBSCRIPTION_EVENT_SINK
            && kind != PA_SUBSCRIPTION_EVENT_CHANGE)
            static_cast<Worker *>(self)->m_recount = true;
    }

    static void onSink(pa_context *, const pa_sink_info *info, int eol, void *self)
    {
        auto *w = static_cast<Worker *>(self);
        if (eol == 0 && info) {
            ++w->m_counted;
            return;
        }
        w->m_listing = false;
        if (eol > 0)
            w->devices = w->m_counted;
        w->answered();
    }

    // The first try has its answer: wakes whoever waits for it.
    void answered()
    {
        QMutexLocker lock(&m_mutex);
        if (!m_answered) {
            m_answered = true;
            m_answer.wakeAll();
        }
    }

    const WavSound &sound(const QString &name)
    {
        auto it = m_sounds.find(name);
        if (it == m_sounds.end()) {
            QFile file(QStringLiteral(":/SOM/") + name);
            it = m_sounds.insert(name,
                                 file.open(QIODevice::ReadOnly) ? WavSound::read(m_pa, file.readAll()) : WavSound());
        }
        return *it;
    }

    // Cuts off what plays and starts the sound, in a stream of its own on the output that is the
    // default at that moment. (A stream kept for the next sound, flushed and written again, stayed
    // silent after a reconnection.)
    void startSound(const QString &name)
    {
        if (name.isEmpty() || !ready()) {
            dropStream();
            return;
        }
        const WavSound &s = sound(name);
        if (s.samples.isEmpty())
            return;
        m_sincePlay.start();
        m_data = s.samples;
        m_written = 0;
        dropStream();
        m_stream = m_pa.stream_new(m_context, "Quadrelo", &s.sampleSpec, nullptr);
        if (!m_stream)
            return;
        m_pa.stream_set_write_callback(m_stream, &Worker::onWritable, this);
        // A short buffer, so that a sound starts soon after it is asked for.
        pa_buffer_attr buffer;
        buffer.maxlength = buffer.minreq = buffer.fragsize = uint32_t(-1);
        buffer.tlength = uint32_t(m_pa.usec_to_bytes(BufferUs, &s.sampleSpec));
        buffer.prebuf = 0; // plays from the first bytes, without waiting for a full buffer
        if (m_pa.stream_connect_playback(m_stream, nullptr, &buffer, PA_STREAM_ADJUST_LATENCY, nullptr, nullptr) < 0)
            dropStream();
    }

    static void onWritable(pa_stream *stream, size_t bytes, void *self)
    {
        static_cast<Worker *>(self)->write(stream, bytes);
    }

    void write(pa_stream *stream, size_t bytes)
    {
        const size_t n = qMin(bytes, size_t(m_data.size()) - m_written);
        // A sound starts where the server reads now: after a silence the stream has run dry, and
        // what is written behind the read position is never heard.
        const pa_seek_mode_t from = m_written == 0 ? PA_SEEK_RELATIVE_ON_READ : PA_SEEK_RELATIVE;
        if (n > 0 && m_pa.stream_write(stream, m_data.constData() + m_written, n, nullptr, 0, from) == 0)
            m_written += n;
    }

    void dropStream()
    {
        if (!m_stream)
            return;
        m_pa.stream_set_write_callback(m_stream, nullptr, nullptr);
        if (PA_STREAM_IS_GOOD(m_pa.stream_get_state(m_stream)))
            m_pa.stream_disconnect(m_stream);
        m_pa.stream_unref(m_stream);
        m_stream = nullptr;
    }

    const PulseLibrary &m_pa;
    pa_mainloop *const m_loop;
    QMutex m_mutex;
    QWaitCondition m_answer;
    bool m_answered = false;
    QString m_pending;
    bool m_hasRequest = false;
    bool m_wanted = false;
    bool m_quit = false;

    pa_context *m_context = nullptr;
    bool m_wasReady = false;
    QDeadlineTimer m_nextTry{QDeadlineTimer::Forever};
    int m_triesLeft = 0;
    QElapsedTimer m_sinceTry;
    QString m_socketFolder;
    int m_inotify = -1;
    int m_folderWatch = -1;
    int m_parentWatch = -1;
    pa_io_event *m_inotifyEvent = nullptr;
    bool m_subscribed = false;
    bool m_recount = false;
    bool m_listing = false;
    int m_counted = 0;

    QHash<QString, WavSound> m_sounds;
    pa_stream *m_stream = nullptr;
    QElapsedTimer m_sincePlay;
    QByteArray m_data;
    size_t m_written = 0;
};

// Out of line, where Worker is complete.
PulseSoundOutput::PulseSoundOutput() = default;

PulseSoundOutput::~PulseSoundOutput() = default;

bool PulseSoundOutput::start() const
{
    if (m_worker)
        return true;
    if (m_tried)
        return false;
    m_tried = true;
    const PulseLibrary *library = PulseLibrary::get();
    if (!library)
        return false;
    m_worker = std::make_unique<Worker>(*library);
    m_worker->setObjectName(QStringLiteral("sound"));
    m_worker->start();
    m_worker->waitFirstAnswer(FirstAnswerMs);
    return true;
}

int PulseSoundOutput::deviceCount() const
{
    if (!m_worker)
        return start() ? m_worker->devices.load() : 0;
    const int count = m_worker->devices;
    // Asked before a sound plays: a server the folder watch cannot see (elsewhere than in the
    // usual folder, or one whose socket stays while it restarts) is looked for now.
    if (count == 0)
        m_worker->wantServer();
    return count;
}

void PulseSoundOutput::play(const QString &name)
{
    if (start())
        m_worker->request(name);
}

void PulseSoundOutput::stop()
{
    if (m_worker) // nothing plays before the first sound
        m_worker->request(QString());
}
