#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <optional>

// Puts the adb stand-in into the resource folder of the running test binary and gives it a
// scenario: what each kind of call ("devices", "ls", "install", "rm") prints and how.
class FakeAdb
{
public:
    struct Call
    {
        QStringList arguments;
        std::optional<QString> serial; // ANDROID_SERIAL, if it was set
        QString linkTarget; // an install's path: what it linked to, if it was a symbolic link
        QStringList files;  // install-multiple, push: each local file, as describeFile() gives it
    };

    FakeAdb();
    ~FakeAdb();
    FakeAdb(const FakeAdb &) = delete;
    FakeAdb &operator=(const FakeAdb &) = delete;

    bool isReady() const { return ready; }

    // What the `call`-th call of `kind` prints (0: every call without its own output).
    void setOutput(const QString &kind, const QByteArray &bytes, int call = 0);
    // The same for standard error, which it writes before its output.
    void setErrors(const QString &kind, const QByteArray &bytes, int call = 0);
    // What the `call`-th "pull" (0: every one without its own) writes into its local file.
    void setPulledData(const QByteArray &bytes, int call = 0);
    // key=value lines for the stand-in (see fakeadb.cpp); `kind` may also be "all".
    void setOptions(const QString &kind, const QByteArray &options, int call = 0);
    // "adb devices" reports one usable device.
    void attachDevice(const QString &serial = QStringLiteral("emulator-5554"));
    // The `call`-th listing of data/app/ prints these entries, one a line.
    void setListing(const QStringList &entries, int call = 0);

    // The device file `path` holds `content`: stat gives its size, exec-out serves its bytes.
    void placeDeviceFile(const QString &path, const QByteArray &content);
    // How many bytes of device files exec-out has served so far.
    qint64 deviceBytesServed() const;

    // How a call records a local file it was given: "<name> <size> <hash of the content>".
    static QString describeFile(const QString &name, const QByteArray &content);

    // Every call so far, in order.
    QList<Call> calls() const;
    QList<Call> calls(const QString &firstArgument) const;

    // Replaces the tool in the resource folder with a file of this content and permissions, a
    // directory, or nothing.
    static void placeTool(const QByteArray &content, bool executable);
    static void placeDirectory();
    static void removeTool();
    static bool placeStandIn();
    // How many processes run the tool in the resource folder right now.
    static int runningTools();

private:
    QString fileFor(const QString &kind, int call, const QString &suffix) const;

    QTemporaryDir scenario;
    bool ready = false;
};
