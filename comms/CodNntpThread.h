#pragma once
// The news-server dialogue: one operation (post articles, download the newest headers, download
// articles) run in a worker thread that touches no window; the caller polls it.

#include <QByteArray>
#include <QDeadlineTimer>
#include <QList>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

struct NntpHeader {
    int Number = 0;
    QString Subject;
    QString Author;
    QString Date;
};

enum NntpOperation { opPost = 0, opHeaders = 1, opArticles = 2 };

// The connection the session talks through: a blocking socket, or a scripted one in the fuzzer.
class TNntpTransport {
public:
    enum class TOpen { Connected, Failed, Aborted };

    virtual ~TNntpTransport() = default;
    // Connects within budgetMs, giving up early when abort is set.
    virtual TOpen Open(const QString& host, int port, int budgetMs,
                       const std::atomic<bool>& abort) = 0;
    virtual bool Connected() const = 0;
    virtual bool Send(const QByteArray& bytes) = 0;
    // Appends what arrives within sliceMs (perhaps nothing); false at the end of the connection.
    virtual bool Receive(QByteArray& bytes, int sliceMs) = 0;
    virtual void Close() = 0;
};

// The GROUP reply "211 count first last group": missing or malformed numbers read 0.
struct TGroupInfo {
    int Count = 0;
    int First = 0;
    int Last = 0;
};
TGroupInfo ParseGroupReply(const QByteArray& reply);
NntpHeader ParseOverviewLine(const QByteArray& line);

// One operation's inputs, outputs and dialogue, independent of threads and sockets.
class TNntpSession {
public:
    static constexpr int ConnectBudgetMs = 5000;
    static constexpr int SliceMs = 100;
    static constexpr qsizetype MaxLineBytes = 1 << 20;
    // A correspondence article takes a few KB; one beyond this is refused.
    static constexpr qsizetype MaxArticleBytes = 1 << 20;
    // The most headers one download keeps, whatever the group says it holds.
    static constexpr int MaxHeaderCount = 100000;
    // What one download of articles keeps; past it the download stops and keeps what came.
    static constexpr qsizetype MaxDownloadBytes = qsizetype(64) << 20;
    // A read that gets no byte for this long ends the operation.
    static constexpr int DefaultReadTimeoutMs = 60000;
    // A server that sends a byte now and then is given up all the same: a reply line (the
    // greeting too) must be complete within the first, the data lines of a reply (an article, the
    // overview) within the second.
    static constexpr int DefaultReplyTimeoutMs = 120000;
    static constexpr int DefaultDataTimeoutMs = 600000;

    virtual ~TNntpSession() = default;

    int Operation = opPost;
    QString UserName;
    QString Password;
    QString Host;
    int Port = 119;
    QString NewsGroup;
    int MaxHeaders = 0;
    QList<int> WantedArticles;
    // The articles to post, one list of lines each.
    QList<QStringList> Messages;
    // Called in the worker after each article the server accepted, with DoneCount, before the next
    // one is posted: what it records outlives a program that dies in the middle of the posting.
    std::function<void(int doneCount)> OnPosted;
    // Tests shorten them.
    int ReadTimeoutMs = DefaultReadTimeoutMs;
    int ReplyTimeoutMs = DefaultReplyTimeoutMs;
    int DataTimeoutMs = DefaultDataTimeoutMs;

    QString ErrorText;
    int DoneCount = 0;
    int OpResult = 1;
    QList<NntpHeader> Headers;
    // The downloaded articles in the order asked for, each as it came: its Latin-1 bytes, lines
    // with their line ends, leading dots undoubled.
    QList<QByteArray> Articles;

    QString StatusText() const;
    // Runs the chosen operation through the transport and stores OpResult.
    void Run(TNntpTransport& transport);
    // Asks a running operation to stop at its next wait.
    void Terminate() { terminated_ = true; }

    bool ConnectAndLogin();
    bool PostArticle(const QStringList& lines);
    bool DownloadHeaders();
    bool DownloadArticles();
    void Disconnect();
    bool ReadReplyLine(QByteArray& line);

protected:
    const std::atomic<bool>& TerminateRequested() const { return terminated_; }

private:
    enum class TLine { Read, TooLong, Failed };

    bool PostArticles();
    bool Command(const QString& text);
    bool Expect(const char* status, const QString& failure, QByteArray& reply);
    bool OpenGroup();
    TLine ReceiveLine(QByteArray& line, qsizetype maxBytes, const QDeadlineTimer& deadline);
    bool ReadDataLines(qsizetype maxBytes, const QString& tooLarge,
                       const std::function<bool(const QByteArray&)>& take);
    void SetStatus(const QString& text);
    bool Fail(const QString& text);

    TNntpTransport* transport_ = nullptr;
    QByteArray receiveBuffer_;
    TGroupInfo groupInfo_;
    bool connectionLost_ = false;
    std::atomic<bool> terminated_{false};
    mutable std::mutex statusMutex_;
    QString statusText_;
};

// The worker: the session run once in its own thread over a socket created there.
class TNntpThread : public TNntpSession {
public:
    ~TNntpThread() override;

    void Start();
    // Set after every output has been written.
    bool Finished() const { return finished_; }
    // Waits for the worker after Finished (or after Terminate, within one slice).
    void Wait();

private:
    std::thread worker_;
    std::atomic<bool> finished_{false};
};
