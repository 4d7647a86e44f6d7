// bench [--tickets N] [--repeat R] [--only delivered|large] [--reports-to-the-end only]
//
// Times the operator's actions on the delivered database and on a database
// of N tickets over ten years (default 1,000,000; built once and kept under
// the build directory). The forms run headless on the scripted host and
// are driven through the runtime's operator entry points (keys, clicks,
// typing). Beside each action it times the raw SQL the action needs on a
// plain connection to the same file, in the same run, and it reads the
// peak memory of the action (VmHWM, reset before each action). Not a test:
// it passes or fails nothing, it prints figures.
#include "ticketdb.h"

#include "admin/registry.h"
#include "printing/registry.h"
#include "printing/reportforms.h"
#include "weighing/acclocate.h"
#include "weighing/aminv.h"
#include "weighing/form1.h"
#include "weighing/msbox.h"
#include "weighing/registry.h"

#include "database/database.h"
#include "database/queryrows.h"
#include "runtime/input.h"
#include "testing/scriptedhost.h"
#include "tests/support/newrun.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <optional>
#include <sys/resource.h>
#include <utility>

#ifdef BENCH_PREVIEW
#include "desktop/reportpreview.h"

#include <QApplication>
#include <QPrinter>
#include <QProgressDialog>
#include <QTimer>
#endif

using namespace vb;

namespace {

// ---- measuring ----------------------------------------------------------------------

// Starts a new peak: the kernel's high-water mark of resident memory drops
// to what is resident now.
void resetPeak()
{
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    if (f.open(QIODevice::WriteOnly))
        f.write("5");
}

double peakMb()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return -1;
}

double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double median(std::vector<double> v)
{
    if (v.empty())
        return -1;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

struct Figure {
    std::vector<double> form, raw; // milliseconds per run
    double peak = 0;               // MB
    QString note;
};

// The figures of one database, by action, in the order they were taken.
struct Results {
    QString name;
    int tickets = 0;
    std::vector<QString> order;
    std::map<QString, Figure> figures;
    double idleCpu = -1; // percent of one core
    Figure &operator[](const QString &action)
    {
        if (!figures.count(action))
            order.push_back(action);
        return figures[action];
    }
};

// ---- the headless office ------------------------------------------------------------

// The scripted host, except that a report handed to the preview is only
// noted (when, and that it came): the bench times the way to the preview,
// not a PDF of every page.
class BenchHost : public ScriptedHost
{
public:
    void printReport(std::shared_ptr<const PrintDocument> document, int, int) override
    {
        if (!m_previewAt)
            m_previewAt = m_clock.nsecsElapsed();
        if (keep)
            kept = std::move(document);
    }
    // While keep is set, the report handed over is kept for the bench.
    bool keep = false;
    std::shared_ptr<const PrintDocument> kept;
    void arm()
    {
        m_clock.start();
        m_previewAt.reset();
    }
    // Milliseconds from arm() to the first report handed over, if any.
    std::optional<double> previewMs() const
    {
        if (!m_previewAt)
            return std::nullopt;
        return double(*m_previewAt) / 1e6;
    }

private:
    QElapsedTimer m_clock;
    std::optional<qint64> m_previewAt;
};

template <class F> double timed(F &&body)
{
    QElapsedTimer t;
    t.start();
    body();
    return double(t.nsecsElapsed()) / 1e6;
}

// ---- raw references -----------------------------------------------------------------

// The raw SQL of each action on a plain connection to the same file.
class Raw
{
public:
    explicit Raw(const QString &file) : m_file(file) { bench::openRaw(Name, file); }
    ~Raw()
    {
        QSqlDatabase::database(Name).close();
        QSqlDatabase::removeDatabase(Name);
    }

    // Reads every column of every row of a query.
    int read(const QString &text, const QVariantList &values = {})
    {
        QSqlQuery q(QSqlDatabase::database(Name));
        q.setForwardOnly(true);
        q.prepare(text);
        for (const QVariant &v : values)
            q.addBindValue(v);
        q.exec();
        int rows = 0;
        const int columns = q.record().count();
        while (q.next()) {
            for (int i = 0; i < columns; ++i)
                q.value(i);
            ++rows;
        }
        return rows;
    }
    void run(const QString &text, const QVariantList &values = {})
    {
        QSqlQuery q(QSqlDatabase::database(Name));
        q.prepare(text);
        for (const QVariant &v : values)
            q.addBindValue(v);
        q.exec();
    }

    // Opening the file and reading what the main screen loads.
    void startUp()
    {
        const QString name = QStringLiteral("rawstart");
        bench::openRaw(name, m_file);
        {
            QSqlDatabase db = QSqlDatabase::database(name);
            for (const char *query : {"select * from counter", "select * from listvalue where type='machtyp'",
                                      "select max(num) as num1 from emp", "select * from truckmast",
                                      "select * from matmast", "select * from recemast", "select * from suppmast"}) {
                QSqlQuery q(db);
                q.setForwardOnly(true);
                q.exec(QString::fromLatin1(query));
                while (q.next())
                    for (int i = 0; i < q.record().count(); ++i)
                        q.value(i);
            }
            db.close();
        }
        QSqlDatabase::removeDatabase(name);
    }
    // The save: the ticket replaced in one transaction, the print data
    // refilled twice (the save's and the print key's), then the text ticket
    // composed from the layout, line by line.
    void save(int num)
    {
        run(QStringLiteral("BEGIN"));
        run(QStringLiteral("delete from emp where num=?"), {num});
        run(QStringLiteral("insert into emp (num, truckno, material, grosstime, taretime, rupee, dt, rece, sup, "
                           "grossoral, tareoral, grossdt, taredt, stage, grosswt, tarewt, netwt, amtword, bdate) "
                           "values (?, 'GJ17TT4521', 'Sand', '10:00', '10:30', '0', '2026-12-10', 'R', 'S', ' ', "
                           "' ', '10/12/2026', '10/12/2026', 3, 25000, 8000, 17000, 'Rupees Zero Only', '2026-12-10')"),
            {num});
        run(QStringLiteral("COMMIT"));
        for (int refill = 0; refill < 2; ++refill) {
            run(QStringLiteral("BEGIN"));
            for (int index = 1; index <= 15; ++index)
                run(QStringLiteral("update prnvarplain set caption=? where name='Label2' and \"index\"=?"),
                    {QStringLiteral("value %1").arg(index), index});
            run(QStringLiteral("COMMIT"));
        }
        read(QStringLiteral("select * from prnvarplain"));
        for (int line = 1; line <= 20; ++line)
            read(QStringLiteral("select * from prnvarplain where r=? order by c"), {line});
    }
    void drop(int num) { run(QStringLiteral("delete from emp where num=?"), {num}); }

private:
    static inline const QString Name = QStringLiteral("raw");
    QString m_file;
};

// ---- the actions --------------------------------------------------------------------

class Office
{
public:
    Office(const QString &databaseFile, const QDate &today)
    {
        m_previous = QDir::currentPath();
        QFile::copy(databaseFile, m_dir.filePath(QStringLiteral("wt.mdb")));
        QFile::setPermissions(m_dir.filePath(QStringLiteral("wt.mdb")), QFile::ReadOwner | QFile::WriteOwner);
        for (QDirIterator it(QStringLiteral(REPORT_FILES_DIR), {QStringLiteral("*.rpt")}); it.hasNext();) {
            const QString file = it.next();
            QFile::copy(file, m_dir.filePath(QFileInfo(file).fileName()));
        }
        QDir::setCurrent(m_dir.path());
        App::instance().reset();
        App::instance().setHost(&host);
        registerWeighingForms();
        registerPrintingForms();
        registerAdminForms();
        for (const char *program : {"print.exe", "uprint.bat", "dprint.bat", "calc.exe"})
            host.addProgram(QString::fromLatin1(program));
        host.setNow(QDateTime(today, QTime(12, 0)));
        // No indicator on a serial port: the live weight is typed.
        Raw(m_dir.filePath(QStringLiteral("wt.mdb"))).run(QStringLiteral("update listvalue set Name='2' where type='machtyp'"));
        host.onModal(QStringLiteral("msbox"), [](Form &f) { ui::click(static_cast<msbox &>(f).OKButton); });
    }
    ~Office()
    {
        stop();
        App::instance().reset();
        App::instance().setHost(nullptr);
        QDir::setCurrent(m_previous);
    }
    QString file() const { return m_dir.filePath(QStringLiteral("wt.mdb")); }

    Form1 &start()
    {
        aminv::Main();
        m_form1 = &app().form<Form1>(QStringLiteral("Form1"));
        return *m_form1;
    }
    void stop()
    {
        if (m_form1 && m_form1->loaded())
            m_form1->Unload();
        m_form1 = nullptr;
        newRun(host, [] {
            registerWeighingForms();
            registerPrintingForms();
            registerAdminForms();
        });
        host.onModal(QStringLiteral("msbox"), [](Form &f) { ui::click(static_cast<msbox &>(f).OKButton); });
    }
    Form1 &form1() { return *m_form1; }

    BenchHost host;

private:
    QTemporaryDir m_dir{QDir::tempPath() + QStringLiteral("/varnock-bench-XXXXXX")};
    QString m_previous;
    Form1 *m_form1 = nullptr;
};

// Memory figures are of the form actions only.
template <class F> double measured(Figure &figure, F &&body)
{
    resetPeak();
    const double ms = timed(body);
    figure.peak = std::max(figure.peak, peakMb());
    figure.form.push_back(ms);
    return ms;
}

Results run(const QString &name, const QString &databaseFile, const QDate &today, const QString &truck, int repeat,
            bool reportsOnly)
{
    Results r;
    r.name = name;
    Office office(databaseFile, today);
    Raw raw(office.file());
    {
        QSqlQuery q(QSqlDatabase::database(QStringLiteral("raw")));
        q.exec(QStringLiteral("select count(*) from emp"));
        q.next();
        r.tickets = q.value(0).toInt();
    }
    std::fprintf(stderr, "%s: %d tickets\n", qPrintable(name), r.tickets);

    // Start-up to a ready main screen.
    for (int i = 0; i < repeat; ++i) {
        if (i > 0)
            office.stop();
        measured(r["start-up"], [&] { office.start(); });
        r["start-up"].raw.push_back(timed([&] { raw.startUp(); }));
    }
    Form1 &f = office.form1();

    if (!reportsOnly) {
        // The main screen idle, its two timers running as a window's would.
        {
            const double cpu0 = cpuSeconds();
            QElapsedTimer wall;
            wall.start();
            qint64 nextSlow = 0;
            while (wall.elapsed() < 3000) {
                office.host.fireTimers(QStringLiteral("Timer2"));
                if (wall.elapsed() >= nextSlow) {
                    office.host.fireTimers(QStringLiteral("Timer1"));
                    nextSlow += 500;
                }
                QThread::msleep(25);
            }
            r.idleCpu = 100.0 * (cpuSeconds() - cpu0) / (double(wall.elapsed()) / 1000.0);
        }

        // First weighings of new tickets, their recall, their second weighings.
        std::vector<QString> numbers;
        for (int i = 0; i < repeat; ++i) {
            ui::focus(f.num); // a new ticket under the next number
            numbers.push_back(f.num.Text());
            ui::typeInto(f.Combo4, truck);
            ui::typeInto(f.txtFields(2), QStringLiteral("25340"));
            measured(r["save, first weighing"], [&] { ui::press(f, Key::F8); });
            r["save, first weighing"].raw.push_back(timed([&] { raw.save(9000000 + i); }));
            raw.drop(9000000 + i);
        }
        for (int i = 0; i < repeat; ++i) {
            measured(r["recall by number"], [&] {
                ui::focus(f.num);
                ui::type(f, numbers[size_t(i)]);
                ui::press(f, Key::Enter);
            });
            r["recall by number"].raw.push_back(timed([&] {
                raw.read(QStringLiteral("select * from emp where num=?"), {numbers[size_t(i)].toInt()});
                raw.read(QStringLiteral("select * from truckmast where name=?%1").arg(QLatin1String(IgnoringCase)), {truck});
            }));
            ui::typeInto(f.txtFields(4), QStringLiteral("8120"));
            measured(r["save, second weighing"], [&] { ui::press(f, Key::F8); });
            r["save, second weighing"].raw.push_back(timed([&] { raw.save(9000000 + i); }));
            raw.drop(9000000 + i);
        }

        // The database layer alone, for the forms that walk large results: the
        // last row of the whole ticket table, and every row of it.
        {
            Connection conn;
            conn.Open(QString::fromLatin1(aminv::DefaultConnection));
            for (int i = 0; i < repeat; ++i) {
                measured(r["layer: last of all tickets (MoveLast)"], [&] {
                    Recordset rs;
                    rs.Open("select * from emp order by num", conn);
                    rs.MoveLast();
                    rs.value("truckno");
                });
                r["layer: last of all tickets (MoveLast)"].raw.push_back(
                    timed([&] { raw.read(QStringLiteral("select num from emp order by num")); }));
            }
            for (const auto &[action, cursor] : {std::pair{QStringLiteral("layer: every ticket, static"), CursorType::Static},
                                                 std::pair{QStringLiteral("layer: every ticket, forward-only"),
                                                           CursorType::ForwardOnly}}) {
                measured(r[action], [&, cursor = cursor] {
                    Recordset rs;
                    rs.Open("select * from emp order by num", conn, cursor, LockType::ReadOnly);
                    for (; !rs.Eof(); rs.MoveNext())
                        for (int c = 0; c < rs.FieldCount(); ++c)
                            rs.Fields(c).Value();
                });
                r[action].raw.push_back(timed([&] { raw.read(QStringLiteral("select * from emp order by num")); }));
            }
            conn.Close();
        }

        // The ticket list (F5): open, a column-header sort, a Find.
        for (int i = 0; i < repeat; ++i) {
            QElapsedTimer clock;
            double openMs = -1;
            office.host.onModal(QStringLiteral("acclocate"), [&](Form &form) {
                openMs = double(clock.nsecsElapsed()) / 1e6;
                r["list open"].peak = std::max(r["list open"].peak, peakMb());
                auto &l = static_cast<acclocate &>(form);
                // Each key as the window handles it: the row it lands on is
                // picked and the screen of rows from there is read to be drawn.
                // The figure is the slowest key.
                Figure &keys = r["list key (slowest of Down, PgDn, End, Home)"];
                double slowest = 0;
                resetPeak();
                auto key = [&](const std::function<void()> &move) {
                    slowest = std::max(slowest, timed([&] {
                        move();
                        const int from = l.ListView1.selectedRow();
                        for (int row = from; row < std::min(l.ListView1.count(), from + 40); ++row)
                            l.ListView1.item(row);
                    }));
                };
                ui::focus(l.ListView1);
                for (int step = 0; step < 20; ++step)
                    key([&] { ui::press(l, Key::Down); });
                for (int step = 0; step < 5; ++step)
                    key([&] { ui::pickRow(l.ListView1, std::min(l.ListView1.count() - 1, l.ListView1.selectedRow() + 40)); });
                key([&] { ui::pickRow(l.ListView1, l.ListView1.count() - 1); });
                key([&] { ui::pickRow(l.ListView1, 0); });
                keys.form.push_back(slowest);
                keys.peak = std::max(keys.peak, peakMb());
                measured(r["list sort (truckno header)"], [&] { ui::clickColumn(l.ListView1, 3); });
                measured(r["list Find (truck number)"], [&] {
                    l.Combo1.setText(QStringLiteral("Truckno"));
                    l.Text2.setText(truck);
                    ui::click(l.cmdFind);
                });
                ui::click(l.Command2);
            });
            resetPeak();
            clock.start();
            ui::press(f, Key::F5);
            r["list open"].form.push_back(openMs);
            // The list needs its row count (the scroll bar, the caption) and
            // the first screen of rows.
            r["list open"].raw.push_back(timed([&] {
                raw.read(QStringLiteral("select count(*) from emp"));
                raw.read(QStringLiteral("select * from emp order by num limit 40"));
            }));
            // A sort needs the order of every row (End, the scroll bar and the
            // selection reach any of them): the tickets' numbers ordered by the
            // shown text of the column, as the list asks, read in full.
            r["list sort (truckno header)"].raw.push_back(timed([&] {
                raw.read(QStringLiteral("select num from emp order by %1, num")
                             .arg(QueryRows::orderTerm(QStringLiteral("\"truckno\""), db::ColumnKind::Text, true)));
            }));
            // The slowest key's work in plain SQL: the last screen of rows.
            r["list key (slowest of Down, PgDn, End, Home)"].raw.push_back(
                timed([&] { raw.read(QStringLiteral("select * from emp order by num desc limit 40")); }));
            r["list Find (truck number)"].raw.push_back(
                timed([&] { raw.read(QStringLiteral("select * from emp where truckno=?%1").arg(QLatin1String(IgnoringCase)), {truck}); }));
        }

        // Reports (F2) to the preview of their first page.
        auto report = [&](const QString &action, const QString &item, const QString &formName,
                          const std::function<void(Form &)> &print, const std::function<void()> &rawWork) {
            for (int i = 0; i < repeat; ++i) {
                Figure &fig = r[action];
                double ms = -1;
                office.host.onModal(formName, [&](Form &form) {
                    resetPeak();
                    office.host.arm();
                    const double whole = timed([&] { print(form); });
                    fig.peak = std::max(fig.peak, peakMb());
                    ms = office.host.previewMs().value_or(whole);
                    if (!office.host.previewMs())
                        fig.note = QStringLiteral("no preview");
                    form.Unload();
                });
                office.host.pickMenu(item);
                ui::press(f, Key::F2);
                fig.form.push_back(ms);
                fig.raw.push_back(timed(rawWork));
                if (ms > 5000)
                    break; // one run of a slow action is figure enough
            }
        };
        const QDate monthAgo = today.addMonths(-1);
        report(QStringLiteral("report, one month (Date Wise)"), QStringLiteral("dw"), QStringLiteral("printpurdt"),
               [&](Form &form) {
                   auto &d = static_cast<DateRangeReport &>(form);
                   ui::setDate(d.stdt, monthAgo);
                   ui::setDate(d.endt, today);
                   ui::click(d.Command2);
               },
               [&] {
                   raw.run(QStringLiteral("BEGIN"));
                   raw.run(QStringLiteral("update counter set st_dt=?, en_dt=?"),
                           {monthAgo.toString(Qt::ISODate), today.toString(Qt::ISODate)});
                   raw.run(QStringLiteral("COMMIT"));
                   raw.read(QStringLiteral("select * from DAYREP order by dt, num limit 60"));
               });
        report(QStringLiteral("report, ten years (Serial No Wise)"), QStringLiteral("snw"), QStringLiteral("printno"),
               [&](Form &form) { ui::click(static_cast<printno &>(form).OKButton); },
               [&] {
                   raw.run(QStringLiteral("BEGIN"));
                   raw.run(QStringLiteral("update counter set mstno=1, menno=?"), {r.tickets + repeat});
                   raw.run(QStringLiteral("COMMIT"));
                   raw.read(QStringLiteral("select * from emp where num >= 1 and num <= ? order by num limit 60"),
                            {r.tickets + repeat});
               });

    }

    // The ten-year report laid out to its last page: without a window, eight
    // times over in one process (the memory of one report must be given back
    // before the next), through the preview window's own background layout,
    // and printed to a PDF file from the preview page by page.
    auto openReport = [&]() -> std::shared_ptr<const PrintDocument> {
        office.host.keep = true;
        office.host.onModal(QStringLiteral("printno"), [&](Form &form) {
            ui::click(static_cast<printno &>(form).OKButton);
            form.Unload();
        });
        office.host.pickMenu(QStringLiteral("snw"));
        ui::press(f, Key::F2);
        office.host.keep = false;
        return std::exchange(office.host.kept, nullptr);
    };
    double rawAll = -1;
    auto readAll = [&] {
        return timed([&] {
            raw.read(QStringLiteral("select * from emp where num >= 1 and num <= ? order by num"),
                     {r.tickets + repeat});
        });
    };
    double headless = -1;
    constexpr int Reports = 8;
    for (int i = 0; i < Reports; ++i) {
        Figure &fig = r[QStringLiteral("report to its last page, ten years (%1 of %2)").arg(i + 1).arg(Reports)];
        measured(fig, [&] {
            auto doc = openReport();
            if (doc)
                doc->pageCount();
        });
        if (i == 0) {
            headless = fig.form.front();
            rawAll = readAll();
        }
        fig.raw.push_back(rawAll);
    }
#ifdef BENCH_PREVIEW
    // A slow way to the last page is given up after this long.
    constexpr qint64 GiveUpMs = 180000;
    {
        Figure &fig = r[QStringLiteral("report to its last page in the preview, ten years")];
        QString stopped;
        measured(fig, [&] {
            auto doc = openReport();
            ReportPreview preview(doc);
            preview.show();
            QElapsedTimer clock;
            clock.start();
            // The pace as the layout goes on, which must not fall.
            qint64 told = 0;
            while (!preview.layoutDone() && clock.elapsed() < GiveUpMs) {
                QCoreApplication::processEvents();
                if (clock.elapsed() >= told + 5000) {
                    told += 5000;
                    std::fprintf(stderr, "  preview: %d pages after %lld s\n", doc->pagesLaidOut(), told / 1000);
                }
            }
            if (!preview.layoutDone())
                stopped = QStringLiteral(", given up at page %1").arg(doc->pagesLaidOut());
        });
        fig.raw.push_back(rawAll);
        fig.note = QStringLiteral("%1 x headless%2").arg(fig.form.front() / headless, 0, 'f', 1).arg(stopped);
    }
    {
        Figure &fig = r[QStringLiteral("report printed to PDF from the preview, ten years")];
        QTemporaryDir dir;
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.filePath(QStringLiteral("report.pdf")));
        QString stopped;
        measured(fig, [&] {
            ReportPreview preview(openReport());
            preview.show();
            // Given up as the operator would, with the progress window's Cancel.
            QTimer giveUp;
            giveUp.setSingleShot(true);
            QObject::connect(&giveUp, &QTimer::timeout, [&] {
                if (auto *progress = preview.findChild<QProgressDialog *>()) {
                    stopped = QStringLiteral(", given up: %1").arg(progress->labelText());
                    progress->cancel();
                }
            });
            giveUp.start(GiveUpMs);
            QElapsedTimer clock;
            clock.start();
            QTimer pace;
            QObject::connect(&pace, &QTimer::timeout, [&] {
                if (auto *progress = preview.findChild<QProgressDialog *>())
                    std::fprintf(stderr, "  PDF: %s after %lld s\n", qPrintable(progress->labelText()),
                                 clock.elapsed() / 1000);
            });
            pace.start(10000);
            preview.printTo(printer);
        });
        fig.raw.push_back(rawAll);
        fig.note = QStringLiteral("%1 x headless, %2 MB%3")
                       .arg(fig.form.front() / headless, 0, 'f', 1)
                       .arg(double(QFileInfo(printer.outputFileName()).size()) / 1e6, 0, 'f', 0)
                       .arg(stopped);
    }
#endif
    return r;
}

QString ms(double v)
{
    if (v < 0)
        return QStringLiteral("-");
    if (v < 10)
        return QString::number(v, 'f', 2);
    if (v < 1000)
        return QString::number(v, 'f', 1);
    return QString::number(v, 'f', 0);
}

void print(const std::vector<Results> &all)
{
    std::printf("\nTimes are medians in milliseconds; raw = the same work in plain SQL on the same file;\n"
                "peak = highest resident memory during the form action (MB).\n\n");
    QString head = QStringLiteral("| action |");
    QString rule = QStringLiteral("|---|");
    for (const Results &r : all) {
        head += QStringLiteral(" %1 (%2 tickets): form | raw | ratio | peak MB |").arg(r.name).arg(r.tickets);
        rule += QStringLiteral("---:|---:|---:|---:|");
    }
    if (all.size() == 2) {
        head += QStringLiteral(" growth |");
        rule += QStringLiteral("---:|");
    }
    std::printf("%s\n%s\n", qPrintable(head), qPrintable(rule));
    for (const QString &action : all.front().order) {
        QString line = QStringLiteral("| %1 |").arg(action);
        std::vector<double> forms;
        for (const Results &r : all) {
            auto it = r.figures.find(action);
            if (it == r.figures.end()) {
                line += QStringLiteral(" | | | |");
                continue;
            }
            const Figure &fig = it->second;
            const double form = median(fig.form), rawMs = median(fig.raw);
            forms.push_back(form);
            line += QStringLiteral(" %1%2 | %3 | %4 | %5 |")
                        .arg(ms(form), fig.note.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(fig.note),
                             ms(rawMs), rawMs > 0 ? QString::number(form / rawMs, 'f', 1) : QStringLiteral("-"),
                             QString::number(fig.peak, 'f', 0));
        }
        if (forms.size() == 2)
            line += QStringLiteral(" %1 |").arg(forms[0] > 0 ? QString::number(forms[1] / forms[0], 'f', 1) : QStringLiteral("-"));
        std::printf("%s\n", qPrintable(line));
    }
    for (const Results &r : all)
        std::printf("\nIdle main screen (%s): %.1f %% of one core\n", qPrintable(r.name), r.idleCpu);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#ifdef BENCH_PREVIEW
    QApplication qapp(argc, argv);
#else
    QGuiApplication qapp(argc, argv);
#endif
    int tickets = 1000000, repeat = 5;
    QString only;
    bool reportsOnly = false;
    const QStringList args = qapp.arguments();
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--tickets"))
            tickets = args[i + 1].toInt();
        else if (args[i] == QLatin1String("--repeat"))
            repeat = std::max(1, args[i + 1].toInt());
        else if (args[i] == QLatin1String("--only"))
            only = args[i + 1];
        else if (args[i] == QLatin1String("--reports-to-the-end"))
            reportsOnly = args[i + 1] == QLatin1String("only");
    }
    try {
        const bench::TicketDb large =
            bench::ticketDatabase(QStringLiteral(BENCH_CACHE_DIR), QStringLiteral(DELIVERED_DB), tickets);
        std::vector<Results> all;
        if (only.isEmpty() || only == QLatin1String("delivered"))
            all.push_back(run(QStringLiteral("delivered"), QStringLiteral(DELIVERED_DB), large.lastDay, large.someTruck,
                              repeat, reportsOnly));
        if (only.isEmpty() || only == QLatin1String("large"))
            all.push_back(run(QStringLiteral("ten years"), large.file, large.lastDay, large.someTruck, repeat, reportsOnly));
        print(all);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "bench: %s\n", e.what());
        return 1;
    }
    return 0;
}
