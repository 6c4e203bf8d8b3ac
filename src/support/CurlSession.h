#pragma once

#include <QByteArray>
#include <QString>

#include <curl/curl.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <set>

namespace upload {

// How one request ended.
struct TransferResult {
    enum Kind {
        Done,
        Aborted,       // abort() was called
        ServerRefused, // the server answered a command with an error reply (in `reply`)
        Unreachable,   // the host name could not be resolved or nothing answered at its address
        NetworkError,  // any other failure of the connection or the protocol
        HttpError,     // an HTTP status of 400 or above
    };
    Kind kind = Done;
    int curlCode = 0;
    QString errorText; // the client's own words
    QString reply;     // the server's last reply line
    bool ok() const { return kind == Done; }
};

// FTP and HTTP requests through libcurl's multi interface, one at a time on the calling thread. The FTP
// requests of a session share one control connection until disconnect(). abort() may be called from any
// thread: the running request ends within a few milliseconds, even while the server is silent.
class CurlSession {
public:
    CurlSession();
    ~CurlSession();
    CurlSession(const CurlSession&) = delete;
    CurlSession& operator=(const CurlSession&) = delete;

    // How long connecting may take, and how long a transfer may go without progress, in seconds.
    void setTimeouts(int connectSeconds, int stallSeconds);

    // The server's status replies and the client's notes, for the log; not called during listings.
    std::function<void(const QString&)> onStatus;
    // Bytes stored so far and in all.
    std::function<void(qint64 done, qint64 total)> onUploadProgress;

    // Lists `name` in the folder (LIST with the name); `listing` receives the server's lines, empty when the
    // server has no such file.
    TransferResult list(const QString& folderUrl, const QString& name, QByteArray* listing);
    // Stores the local file under `name` in the folder, in binary mode, replacing rather than appending.
    TransferResult store(const QString& folderUrl, const QString& name, const QString& localFile);
    // HTTP GET; `body` receives the response.
    TransferResult get(const QString& url, QByteArray* body);
    // Ends the FTP session (QUIT) and any other connection.
    void disconnect();

    void abort();
    bool aborted() const { return abort_.load(); }

private:
    TransferResult perform(CURL* easy);
    void prepareFtp(const QString& url);
    static std::size_t collect(char* data, std::size_t size, std::size_t count, void* target);
    static int debug(CURL*, curl_infotype type, char* data, std::size_t size, void* self);
    static curl_socket_t openSocket(void* self, curlsocktype, curl_sockaddr* address);
    static int closeSocket(void* self, curl_socket_t socket);
    void watchSockets(CURL* easy);
    static int transferInfo(void* self, curl_off_t, curl_off_t, curl_off_t ultotal, curl_off_t ulnow);

    std::mutex multiMutex_; // abort() wakes the handle from another thread while disconnect() renews it
    CURLM* multi_ = nullptr;
    CURL* ftp_ = nullptr;
    bool connected_ = false;
    bool logReplies_ = true;
    bool loggedIn_ = false;
    // The connections' sockets: an abort shuts them, so that nothing waits for a server any more, not even
    // the farewell of a connection dropped mid-transfer.
    std::mutex socketsMutex_;
    std::set<curl_socket_t> sockets_;
    QString lastReply_;
    QByteArray partialLine_;
    char errorBuffer_[256] = {};
    int connectTimeout_ = 30;
    int stallTimeout_ = 60;
    std::atomic<bool> abort_{false};
};

} // namespace upload
