#include "aminv.h"

#include "msbox.h"

#include "database/database.h"
#include "db/indexes.h"
#include "runtime/errors.h"
#include "runtime/form.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>
#include <memory>

namespace aminv {

namespace {

struct Shared {
    std::unique_ptr<vb::Connection> dbConn;
    std::unique_ptr<vb::Recordset> mainRs;
    std::unique_ptr<vb::Recordset> auxRs;
    std::unique_ptr<vb::Command> sharedCmd;
};

// Made once and never destroyed by the program's exit: the objects need Qt
// SQL, whose own globals may be gone by then. They are released with the
// application object instead (and by the main form's unload).
Shared &shared()
{
    static Shared *objects = [] {
        qAddPostRoutine(aminv::releaseAll);
        return new Shared;
    }();
    return *objects;
}

template <class T> T &use(const std::unique_ptr<T> &p)
{
    if (!p)
        throw vb::RuntimeError(91, QStringLiteral("Object variable or With block variable not set"));
    return *p;
}

// The name of a file in the current directory, matched without regard to
// case; empty when there is none.
QString findFile(const QString &name)
{
    const QStringList entries = QDir::current().entryList(QDir::Files);
    for (const QString &e : entries)
        if (e.compare(name, Qt::CaseInsensitive) == 0)
            return e;
    return QString();
}

// An error that leaves its handler leaves the shared recordsets as they
// were; closing them lets the next query open them again.
void closeRecordsetsOnError()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    vb::App::instance().addErrorHook([] {
        for (auto *rs : {shared().mainRs.get(), shared().auxRs.get()})
            if (rs && rs->isOpen())
                rs->Close();
    });
}

// An office's file made before the indexes of the delivered database gets
// them here, once; a file that cannot take them (read-only, locked) works
// on without them, only slower. On a large file this takes seconds: a
// small window tells the operator, with the steps done so far.
void addMissingIndexes(vb::Connection &conn)
{
    if (!conn.isOpen())
        return;
    static const QRegularExpression named(QStringLiteral("EXISTS\\s+(\\w+)\\s+ON"),
                                          QRegularExpression::CaseInsensitiveOption);
    QStringList missing;
    double rows = 0;
    try {
        QSet<QString> present;
        vb::Recordset rs;
        rs.Open("select name from sqlite_master where type='index'", conn, vb::CursorType::Static,
                vb::LockType::ReadOnly);
        for (; !rs.Eof(); rs.MoveNext())
            present.insert(rs.Fields(0).Value().toString().toLower());
        rs.Close();
        for (const char *statement : db::IndexStatements) {
            const QString text = QString::fromLatin1(statement);
            if (!present.contains(named.match(text).captured(1).toLower()))
                missing << text;
        }
        if (missing.isEmpty())
            return;
        rs.Open("select count(*) from emp", conn, vb::CursorType::Static, vb::LockType::ReadOnly);
        rows = rs.Fields(0).Value().toDouble();
        rs.Close();
    } catch (const vb::RuntimeError &) {
        return;
    }

    // Each index is PerIndex steps. Within one, the engine's steps so far
    // are measured against those of the index before; the first is
    // reckoned from the number of tickets (about nine engine steps a row).
    constexpr int PerIndex = 100;
    constexpr int EngineSteps = 20000; // engine steps between two calls
    const int total = int(missing.size()) * PerIndex;
    vb::App &app = vb::App::instance();
    const bool shown = app.hasHost();
    const QString title = app.title();
    const QString text = QString::fromLatin1(PreparingText);
    const auto show = [&](int done) {
        if (shown)
            app.host().progress(title, text, done, total);
    };
    int index = 0;
    double calls = 0, expected = std::max(1.0, rows * 9 / EngineSteps);
    QElapsedTimer sinceShown;
    sinceShown.start();
    show(0);
    conn.setProgressHandler(
        [&] {
            ++calls;
            if (sinceShown.elapsed() < 50)
                return;
            sinceShown.restart();
            show(index * PerIndex + int(std::min(0.95, calls / expected) * PerIndex));
        },
        EngineSteps);
    try {
        for (; index < int(missing.size()); ++index) {
            calls = 0;
            conn.run(missing[index]).finish();
            expected = std::max(1.0, calls);
            if (index + 1 < int(missing.size()))
                show((index + 1) * PerIndex);
        }
    } catch (const vb::RuntimeError &) {
    }
    conn.setProgressHandler({});
    show(total);
}

// A folder of the name, matched as files are; empty when there is none.
QString findFolder(const QString &name)
{
    const QStringList entries = QDir::current().entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &e : entries)
        if (e.compare(name, Qt::CaseInsensitive) == 0)
            return e;
    return QString();
}

// A first line that is not text (control characters, such as a binary
// file's) holds no connection string.
bool looksBinary(const QByteArray &line)
{
    for (char c : line)
        if ((static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == 0x7f)
            return true;
    return false;
}

void writeDefaultFile()
{
    // A folder of that name is not the file, and is never replaced.
    if (const QString folder = findFolder(QStringLiteral("constr.txt")); !folder.isEmpty())
        throw vb::RuntimeError(75, QStringLiteral("%1 cannot be read: it is a folder, not a file (%2)")
                                       .arg(folder, QDir::current().absoluteFilePath(folder)));
    QFile f(QStringLiteral("constr.txt"));
    if (!f.open(QIODevice::WriteOnly)) {
        const QFileInfo folder(QDir::currentPath());
        const QString cause = folder.isWritable()
            ? f.errorString()
            : QStringLiteral("the folder %1 is read-only").arg(folder.absoluteFilePath());
        throw vb::RuntimeError(75, QStringLiteral("constr.txt is missing and cannot be created: %1").arg(cause));
    }
    const QByteArray line = QByteArray(DefaultConnection) + "\r\n";
    if (f.write(line) != line.size() || !f.flush())
        throw vb::RuntimeError(75, QStringLiteral("constr.txt is missing and cannot be written: %1").arg(f.errorString()));
}

QString readFirstLine()
{
    const QString name = findFile(QStringLiteral("constr.TXT"));
    if (name.isEmpty())
        throw vb::RuntimeError::fileNotFound();
    QFile f(name);
    if (!f.open(QIODevice::ReadOnly))
        throw vb::RuntimeError(75, QStringLiteral("%1 cannot be read: %2").arg(name, f.errorString()));
    const QByteArray bytes = f.readAll();
    if (bytes.isEmpty())
        throw vb::RuntimeError(62, QStringLiteral("%1 is empty: Input past end of file").arg(name));
    qsizetype end = bytes.size();
    for (qsizetype i = 0; i < bytes.size(); ++i)
        if (bytes[i] == '\r' || bytes[i] == '\n') {
            end = i;
            break;
        }
    if (looksBinary(bytes.left(end)))
        throw vb::RuntimeError::database(
            QStringLiteral("%1 holds no connection string: its first line is not text (a damaged or wrong file)")
                .arg(name));
    return QString::fromLatin1(bytes.left(end));
}

} // namespace

vb::Connection &dbConn() { return use(shared().dbConn); }
vb::Recordset &mainRs() { return use(shared().mainRs); }
vb::Recordset &auxRs() { return use(shared().auxRs); }
vb::Command &sharedCmd() { return use(shared().sharedCmd); }
bool connected() { return shared().dbConn != nullptr; }

void Main()
{
    if (findFile(QStringLiteral("constr.txt")).isEmpty())
        writeDefaultFile();
    const QString connection = readFirstLine();
    // A line that names no database says which file it came from.
    try {
        vb::parseConnectionString(connection);
    } catch (const vb::RuntimeError &e) {
        throw vb::RuntimeError(e.number(), QStringLiteral("constr.txt holds no usable connection string: %1")
                                               .arg(e.description()));
    }

    auto conn = std::make_unique<vb::Connection>();
    conn->setCursorLocation(3);
    conn->Open(connection, QString(), QString(), -1);
    addMissingIndexes(*conn);
    shared().dbConn = std::move(conn);

    shared().mainRs = std::make_unique<vb::Recordset>();
    shared().auxRs = std::make_unique<vb::Recordset>();
    shared().sharedCmd = std::make_unique<vb::Command>();
    shared().sharedCmd->setActiveConnection(shared().dbConn.get());
    closeRecordsetsOnError();

    vb::app().form(QStringLiteral("Form1")).Show(false);
}

void adoptShared(std::unique_ptr<vb::Connection> connection, std::unique_ptr<vb::Recordset> main,
                 std::unique_ptr<vb::Recordset> aux, std::unique_ptr<vb::Command> command)
{
    if (connection)
        addMissingIndexes(*connection);
    shared().dbConn = std::move(connection);
    shared().mainRs = std::move(main);
    shared().auxRs = std::move(aux);
    shared().sharedCmd = std::move(command);
    closeRecordsetsOnError();
}

void releaseAll()
{
    Shared &s = shared();
    if (s.auxRs && s.auxRs->isOpen())
        vb::skipError([&] { s.auxRs->Close(); });
    s.auxRs.reset();
    release();
}

void release()
{
    if (shared().mainRs && shared().mainRs->isOpen())
        shared().mainRs->Close();
    shared().mainRs.reset();
    shared().sharedCmd.reset();
    if (shared().dbConn)
        shared().dbConn->Close();
    shared().dbConn.reset();
}

QVariant ConfirmBox(const QString &text)
{
    auto &box = vb::app().form<msbox>(msbox::Name);
    box.Load();
    box.msgtxt.setCaption(text);
    box.Show(true);
    return QVariant::fromValue<int16_t>(box.stat);
}

} // namespace aminv
