// Printing, saving and mailing pages together with their memos.
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <QImageReader>
#include <QProcess>
#include <QWebEngineView>
#include <cstdlib>
#include <fstream>

#include "AppFixture.h"
#include "app/BrowserPage.h"
#include "app/ChildFrame.h"
#include "app/MainFrame.h"
#include "app/PageBackup.h"
#include "app/PageOutput.h"
#include "app/TabBrowserWnd.h"
#include "memo/MemoPackage.h"
#include "memo/PackageCache.h"
#include "memo/PackageFiles.h"
#include "memo/ui/LayerWnd.h"
#include "platform/QtText.h"
#include "res/CommandIds.h"
#include "ui/MessageBox.h"

namespace {

const QString kNoMemos = QStringLiteral("このサイトにメモは存在しません");
const QString kSaveFailed = QStringLiteral("メモの保存に失敗しました");

// A page of 100-pixel bands, each of its own colour, so a stitched capture shows any tile
// that lands in the wrong place.
QString banded_page(int bands)
{
    QString html = QStringLiteral("<title>a/b?c</title><body style='margin:0'>");
    for (int i = 0; i < bands; ++i)
        html += QStringLiteral("<div style='height:100px;background:rgb(0,%1,%2)'></div>").arg(i * 9 % 256).arg(255 - i * 7 % 256);
    return html + QStringLiteral("</body>");
}
QColor band_colour(int i)
{
    return QColor(0, i * 9 % 256, 255 - i * 7 % 256);
}
bool near(QColor a, QColor b)
{
    return std::abs(a.red() - b.red()) < 12 && std::abs(a.green() - b.green()) < 12 && std::abs(a.blue() - b.blue()) < 12;
}
bool is_red(QColor c)
{
    return c.red() > 200 && c.green() < 60 && c.blue() < 60;
}

class PageOutputTest : public AppTest {
protected:
    void TearDown() override
    {
        page_output::save_dialog = nullptr;
        page_output::print_dialog = nullptr;
        page_backup::folder_dialog = nullptr;
        ui::set_message_responder(nullptr);
        if (!saved_path_.isNull())
            qputenv("PATH", saved_path_);
        AppTest::TearDown();
    }

    CTabBrowserWnd* start_on(const QString& path, const QString& html)
    {
        pages_.set(path, html);
        if (!start({pages_.url(path).toString()}))
            return nullptr;
        app().main_frame()->resize(900, 700);
        CTabBrowserWnd* tab = app().main_frame()->tabs().front()->browser();
        EXPECT_TRUE(wait_until([&] {
            return tab->LocationURL() == pages_.url(path) && !tab->busy() && tab->view()->focusProxy();
        }));
        return tab;
    }
    // A red opaque box of the page's memos, in document coordinates.
    void add_box(CTabBrowserWnd* tab, const QString& path, memo::Rect rect)
    {
        auto pkg = app().package_cache().lookup(platform::from_qstring(pages_.url(path).toString()), true);
        auto box = std::make_unique<memo::PrimitiveObject>();
        box->rect = rect;
        box->opacity = 255;
        box->border_colour = memo::rgb(255, 0, 0);
        box->fill_colour = memo::rgb(255, 0, 0);
        pkg->add(std::move(box));
        tab->layer()->update();
    }
    // Puts a stand-in mail program first on PATH that writes its arguments, one a line.
    QString fake_mailer(int exit_code = 0)
    {
        const std::filesystem::path bin = data_.path() / "bin";
        std::filesystem::create_directories(bin);
        const std::filesystem::path record = data_.path() / "mail-args.txt";
        {
            std::ofstream script(bin / "xdg-email");
            script << "#!/bin/sh\nfor a in \"$@\"; do echo \"$a\"; done > '" << record.string() << ".part'\n"
                   << "mv '" << record.string() << ".part' '" << record.string() << "'\n"
                   << "exit " << exit_code << "\n";
        }
        std::filesystem::permissions(bin / "xdg-email", std::filesystem::perms::owner_all);
        if (saved_path_.isNull())
            saved_path_ = qgetenv("PATH");
        qputenv("PATH", QByteArray(bin.c_str()) + ':' + saved_path_);
        return QString::fromStdString(record.string());
    }
    QStringList messages_;
    void record_messages()
    {
        ui::set_message_responder([this](const QString& text, ui::Buttons) {
            messages_ << text;
            return ui::Answer::Ok;
        });
    }
    QByteArray saved_path_;
};

TEST_F(PageOutputTest, MemoFileIsSavedUnderTheCleanedTitleAndMailedAsAnAttachment)
{
    CTabBrowserWnd* tab = start_on("/memo", banded_page(5));
    ASSERT_TRUE(tab);
    ASSERT_TRUE(wait_until([&] { return tab->LocationName() == QStringLiteral("a/b?c"); }));
    add_box(tab, "/memo", {10, 10, 50, 50});
    record_messages();

    QString proposed;
    const QString target = QString::fromStdString((data_.path() / "saved v1.2").string());
    page_output::save_dialog = [&](const QString& name, const QString&) {
        proposed = name;
        return target;  // no ".ame" (a dot of its own is none): it is added
    };
    app().main_frame()->route(res::cmd::kSaveMemoFile);
    EXPECT_EQ(proposed, QStringLiteral("abc"));
    QFile saved(target + QStringLiteral(".ame"));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QByteArray bytes = saved.readAll();
    const auto packages = memo::parse_memo_file(std::span<const char>(bytes.constData(), std::size_t(bytes.size())));
    ASSERT_EQ(packages.size(), 1u);
    ASSERT_EQ(packages[0]->size(), 1u);
    EXPECT_EQ(packages[0]->at(0).kind(), memo::MemoKind::Primitive);

    // A file that cannot be written is reported, not passed over.
    page_output::save_dialog = [&](const QString&, const QString&) {
        return QString::fromStdString((data_.path() / "missing" / "x.ame").string());
    };
    app().main_frame()->route(res::cmd::kSaveMemoFile);
    EXPECT_EQ(messages_, QStringList{kSaveFailed});

    const QString record = fake_mailer();
    app().main_frame()->route(res::cmd::kMailWithMemo);
    ASSERT_TRUE(wait_until([&] { return QFile::exists(record); }));
    QFile args(record);
    ASSERT_TRUE(args.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(args.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    const qsizetype attach = lines.indexOf(QStringLiteral("--attach"));
    ASSERT_GE(attach, 0);
    ASSERT_LT(attach + 1, lines.size());
    const QString attachment = lines[attach + 1];
    EXPECT_TRUE(attachment.endsWith(QStringLiteral("/abc.ame"))) << attachment.toStdString();
    EXPECT_TRUE(attachment.startsWith(QString::fromStdString(app().folders().temp.string())));
    QFile mailed(attachment);
    ASSERT_TRUE(mailed.open(QIODevice::ReadOnly));
    EXPECT_EQ(mailed.readAll(), bytes);
    EXPECT_TRUE(lines.contains(pages_.url("/memo").toString()));
    EXPECT_EQ(messages_.size(), 1);

    // A mailer that fails says so through its exit status, and the user is told.
    QFile::remove(record);
    fake_mailer(3);
    app().main_frame()->route(res::cmd::kMailWithMemo);
    ASSERT_TRUE(wait_until([&] { return messages_.size() == 2; }));
    EXPECT_EQ(messages_.back(), QStringLiteral("メールを送信できませんでした。"));
    EXPECT_TRUE(QFile::exists(record));
}

TEST_F(PageOutputTest, MemoFileAndCaptureHoldTheFramesOfThePage)
{
    pages_.set("/inner", banded_page(4));
    CTabBrowserWnd* tab = start_on("/outer", QStringLiteral(
        "<title>Outer</title><body style='margin:0;background:#fff'>"
        "<iframe src='/inner' style='position:absolute;left:100px;top:50px;width:300px;height:200px;border:0'>"
        "</iframe></body>"));
    ASSERT_TRUE(tab);
    ASSERT_TRUE(wait_until([&] { return tab->layer()->documents().size() == 2; }));
    add_box(tab, "/outer", {10, 10, 30, 30});
    add_box(tab, "/inner", {10, 10, 30, 30});
    ASSERT_TRUE(wait_until([&] { return near(tab->view()->grab().toImage().pixelColor(150, 100), band_colour(0)); }));

    const QString target = QString::fromStdString((data_.path() / "frames.ame").string());
    page_output::save_dialog = [&](const QString&, const QString&) { return target; };
    app().main_frame()->route(res::cmd::kSaveMemoFile);
    QFile saved(target);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QByteArray bytes = saved.readAll();
    const auto packages = memo::parse_memo_file(std::span<const char>(bytes.constData(), std::size_t(bytes.size())));
    ASSERT_EQ(packages.size(), 2u);
    EXPECT_EQ(packages[0]->url, memo::normalize_url(platform::from_qstring(pages_.url("/outer").toString())));
    EXPECT_EQ(packages[1]->url, memo::normalize_url(platform::from_qstring(pages_.url("/inner").toString())));

    const QImage image = page_output::capture_page(*tab);
    EXPECT_EQ(page_output::last_tile_count(), 1);
    EXPECT_TRUE(is_red(image.pixelColor(20, 20)));
    EXPECT_TRUE(is_red(image.pixelColor(120, 70)));
    EXPECT_TRUE(near(image.pixelColor(200, 100), band_colour(0)));
}

TEST_F(PageOutputTest, WithoutMemosNothingIsSavedOrMailedAndAMissingMailerIsReported)
{
    CTabBrowserWnd* tab = start_on("/plain", banded_page(3));
    ASSERT_TRUE(tab);
    record_messages();
    bool asked = false;
    page_output::save_dialog = [&](const QString&, const QString&) {
        asked = true;
        return QString();
    };
    const QString record = fake_mailer();
    app().main_frame()->route(res::cmd::kSaveMemoFile);
    app().main_frame()->route(res::cmd::kMailWithMemo);
    EXPECT_FALSE(asked);
    EXPECT_EQ(messages_, (QStringList{kNoMemos, kNoMemos}));
    pump(300);  // a mailer started by mistake would have written its record by now
    EXPECT_FALSE(QFile::exists(record));

    // Memos, but no mail program anywhere on PATH.
    add_box(tab, "/plain", {10, 10, 50, 50});
    qputenv("PATH", QByteArray(data_.path().c_str()) + "/nothing-here");
    messages_.clear();
    app().main_frame()->route(res::cmd::kMailWithMemo);
    ASSERT_EQ(messages_.size(), 1);
    EXPECT_NE(messages_[0], kNoMemos);
}

TEST_F(PageOutputTest, TallPageIsCapturedInTilesStitchedWithItsMemos)
{
    CTabBrowserWnd* tab = start_on("/tall", banded_page(30));
    ASSERT_TRUE(tab);
    add_box(tab, "/tall", {100, 2250, 160, 2330});
    const int view_height = tab->view()->height();
    ASSERT_GT(view_height, 100);
    ASSERT_TRUE(wait_until([&] { return near(tab->view()->grab().toImage().pixelColor(300, 50), band_colour(0)); }));

    const QImage image = page_output::capture_page(*tab);
    ASSERT_EQ(image.height(), 3000);
    EXPECT_GE(page_output::last_tile_count(), (3000 + view_height - 1) / view_height);
    for (int i = 0; i < 30; ++i)
        for (int y : {i * 100 + 2, i * 100 + 50, i * 100 + 97})
            ASSERT_TRUE(near(image.pixelColor(400, y), band_colour(i))) << "band " << i << " y " << y << " got " << image.pixelColor(400, y).name().toStdString() << " tiles " << page_output::last_tile_count();
    EXPECT_TRUE(is_red(image.pixelColor(130, 2290)));
    EXPECT_TRUE(is_red(image.pixelColor(102, 2252)));
    EXPECT_FALSE(is_red(image.pixelColor(170, 2290)));
    EXPECT_FALSE(is_red(image.pixelColor(130, 2340)));
    // The view is back where it was.
    EXPECT_EQ(tab->page()->scrollPosition().toPoint(), QPoint(0, 0));

    // A part of the page: the rectangle's own pixels with the memo in it.
    const QImage part = page_output::capture_page(*tab, QRect(80, 2200, 100, 200));
    ASSERT_EQ(part.size(), QSize(100, 200));
    EXPECT_TRUE(is_red(part.pixelColor(50, 90)));
    EXPECT_TRUE(near(part.pixelColor(5, 5), band_colour(22)));
    EXPECT_TRUE(near(part.pixelColor(5, 150), band_colour(23)));

    // Saved as an image file: the extension picks the format.
    const QString png = QString::fromStdString((data_.path() / "page").string());
    page_output::save_dialog = [&](const QString& name, const QString&) {
        EXPECT_EQ(name, QStringLiteral("abc.png"));
        return png;
    };
    app().main_frame()->route(res::cmd::kSavePageAsImage);
    QImage read(png + QStringLiteral(".png"));
    ASSERT_EQ(read.size(), image.size());
    EXPECT_TRUE(is_red(read.pixelColor(130, 2290)));
    const QString bmp = QString::fromStdString((data_.path() / "page.bmp").string());
    page_output::save_dialog = [&](const QString&, const QString&) { return bmp; };
    app().main_frame()->route(res::cmd::kSavePageAsImage);
    QFile bmp_file(bmp);
    ASSERT_TRUE(bmp_file.open(QIODevice::ReadOnly));
    EXPECT_EQ(bmp_file.read(2), QByteArray("BM"));

    // A page taller than any one picture a codec reads is saved whole, with its memos,
    // written a strip at a time.
    pages_.set("/taller", banded_page(170));
    tab->Navigate(pages_.url("/taller"));
    ASSERT_TRUE(wait_until([&] { return tab->LocationURL() == pages_.url("/taller") && !tab->busy(); }));
    add_box(tab, "/taller", {100, 16850, 160, 16930});
    const QString tall_png = QString::fromStdString((data_.path() / "taller.png").string());
    page_output::save_dialog = [&](const QString&, const QString&) { return tall_png; };
    app().main_frame()->route(res::cmd::kSavePageAsImage);
    QImageReader reader(tall_png);
    reader.setAllocationLimit(0);
    const QImage taller = reader.read();
    ASSERT_EQ(taller.height(), 17000) << reader.errorString().toStdString();
    EXPECT_TRUE(is_red(taller.pixelColor(130, 16890)));
    EXPECT_TRUE(near(taller.pixelColor(400, 16950), band_colour(169)));
    for (int band : {0, 20, 21, 100, 168})
        EXPECT_TRUE(near(taller.pixelColor(400, band * 100 + 50), band_colour(band))) << band;

    // So are JPEG and BMP files (a bitmap's rows go in from the bottom: its strips are taken
    // from the end of the page).
    for (const char* name : {"taller.jpg", "taller.bmp"}) {
        const QString file = QString::fromStdString((data_.path() / name).string());
        page_output::save_dialog = [&](const QString&, const QString&) { return file; };
        app().main_frame()->route(res::cmd::kSavePageAsImage);
        QImageReader other(file);
        other.setAllocationLimit(0);
        const QImage picture = other.read();
        ASSERT_EQ(picture.size(), taller.size()) << name << " " << other.errorString().toStdString();
        EXPECT_TRUE(is_red(picture.pixelColor(130, 16890))) << name;
        EXPECT_FALSE(is_red(picture.pixelColor(130, 16950))) << name;
        for (int y : {50, 2047, 2048, 2050, 10050, 16950, 16998})
            EXPECT_TRUE(near(picture.pixelColor(400, y), band_colour(y / 100))) << name << " y " << y;
    }
}

TEST_F(PageOutputTest, WidePageIsCapturedInColumnsOfTiles)
{
    QString html = QStringLiteral("<title>wide</title><body style='margin:0;width:2500px;display:flex'>");
    for (int i = 0; i < 25; ++i)
        html += QStringLiteral("<div style='flex:none;width:100px;height:300px;background:rgb(0,%1,%2)'></div>")
                    .arg(i * 9 % 256)
                    .arg(255 - i * 7 % 256);
    CTabBrowserWnd* tab = start_on("/wide", html + QStringLiteral("</body>"));
    ASSERT_TRUE(tab);
    add_box(tab, "/wide", {1900, 100, 2000, 200});
    ASSERT_TRUE(wait_until([&] { return near(tab->view()->grab().toImage().pixelColor(50, 50), band_colour(0)); }));
    const QImage image = page_output::capture_page(*tab);
    ASSERT_EQ(image.width(), 2500);
    EXPECT_GE(page_output::last_tile_count(), 2500 / tab->view()->width());
    for (int i = 0; i < 25; ++i)
        for (int x : {i * 100 + 2, i * 100 + 97})
            ASSERT_TRUE(near(image.pixelColor(x, 250), band_colour(i))) << "column " << i << " x " << x;
    EXPECT_TRUE(is_red(image.pixelColor(1950, 150)));
    EXPECT_FALSE(is_red(image.pixelColor(2050, 150)));
}

TEST_F(PageOutputTest, WindowPrintOfThePageAsksForThePrinter)
{
    CTabBrowserWnd* tab = start_on("/print-me", "<title>Print me</title>printable");
    ASSERT_TRUE(tab);
    int asked = 0;
    page_output::print_dialog = [&](QPrinter&) {
        ++asked;
        return false;
    };
    tab->page()->runJavaScript(QStringLiteral("window.print()"));
    EXPECT_TRUE(wait_until([&] { return asked == 1; }));
}

TEST_F(PageOutputTest, PrintedPdfShowsTheMemosWhereTheScreenShowsThemAtSeveralTimesItsPixels)
{
    // A black line half a page pixel thick: on the screen one pixel, in a print from the page
    // drawn enlarged thinner than the enlargement.
    QString html = banded_page(8);
    html.replace(QStringLiteral("<body style='margin:0'>"),
                 QStringLiteral("<body style='margin:0'><div style='position:absolute;left:600px;top:400px;"
                                "width:200px;border-top:0.5px solid #000'></div>"));
    CTabBrowserWnd* tab = start_on("/print", html);
    ASSERT_TRUE(tab);
    add_box(tab, "/print", {300, 150, 500, 250});
    ASSERT_TRUE(wait_until([&] { return near(tab->view()->grab().toImage().pixelColor(50, 50), band_colour(0)); }));
    const QSize view_size = tab->view()->size();
    const QString pdf = QString::fromStdString((data_.path() / "out.pdf").string());
    page_output::print_dialog = [&](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        printer.setPageMargins(QMarginsF(0, 0, 0, 0));
        return true;
    };
    app().main_frame()->route(res::cmd::kPrintWithMemo);
    ASSERT_TRUE(QFile::exists(pdf));

    // The overlay files of the print sit in the temp folder.
    const QImage tmp(QString::fromStdString((app().folders().temp / "tmp.png").string()));
    EXPECT_EQ(tmp.height(), 800);
    QFile overlay(QString::fromStdString((app().folders().temp / "overlay.html").string()));
    ASSERT_TRUE(overlay.open(QIODevice::ReadOnly));
    EXPECT_FALSE(overlay.readAll().contains("--**//"));

    const QString png_base = QString::fromStdString((data_.path() / "render").string());
    QProcess render;
    render.start(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("30"), QStringLiteral("-png"),
                                              QStringLiteral("-singlefile"), pdf, png_base});
    ASSERT_TRUE(render.waitForFinished(30000));
    ASSERT_EQ(render.exitCode(), 0) << render.readAllStandardError().toStdString();
    const QImage page(png_base + QStringLiteral(".png"));
    ASSERT_FALSE(page.isNull());
    // The page is printed at the paper's width: find the memo by proportion.
    const double scale = double(page.width()) / double(tmp.width());
    EXPECT_TRUE(is_red(page.pixelColor(int(400 * scale), int(200 * scale))));
    EXPECT_FALSE(is_red(page.pixelColor(int(400 * scale), int(350 * scale))));
    EXPECT_TRUE(near(page.pixelColor(int(50 * scale), int(350 * scale)), band_colour(3)));

    // The picture in the file has at least twice the screen's pixels, the memo's edge where
    // the page's own pixels put it, and the half-pixel line thinner than the enlargement.
    const QString image_base = QString::fromStdString((data_.path() / "printed").string());
    QProcess extract;
    extract.start(QStringLiteral("pdfimages"), {QStringLiteral("-png"), pdf, image_base});
    ASSERT_TRUE(extract.waitForFinished(30000));
    ASSERT_EQ(extract.exitCode(), 0) << extract.readAllStandardError().toStdString();
    const QImage printed(image_base + QStringLiteral("-000.png"));
    ASSERT_GE(printed.width(), 2 * tmp.width());
    ASSERT_EQ(printed.width() * tmp.height(), printed.height() * tmp.width());
    const int k = printed.width() / tmp.width();
    // (The box's outline, one page pixel wide, lies on its edge.)
    EXPECT_TRUE(is_red(printed.pixelColor(300 * k + k, 200 * k)));
    EXPECT_FALSE(is_red(printed.pixelColor(300 * k - k, 200 * k)));
    EXPECT_TRUE(is_red(printed.pixelColor(400 * k, 250 * k - k)));
    EXPECT_FALSE(is_red(printed.pixelColor(400 * k, 250 * k + k)));
    int line = 0;
    for (int y = 395 * k; y < 405 * k; ++y)
        line += printed.pixelColor(700 * k, y).value() < 96;
    EXPECT_GE(line, 1);
    EXPECT_LT(line, k);

    // The tab shows the page as before.
    EXPECT_EQ(tab->view()->zoomFactor(), 1.0);
    EXPECT_EQ(tab->view()->size(), view_size);
    EXPECT_TRUE(wait_until([&] {
        const QImage shown = tab->view()->grab().toImage();
        return is_red(shown.pixelColor(301, 200)) && !is_red(shown.pixelColor(298, 200)) &&
               near(shown.pixelColor(50, 350), band_colour(3));
    }));
}

TEST_F(PageOutputTest, SelectedRectangleAndPlainPrintGoToThePrinter)
{
    CTabBrowserWnd* tab = start_on("/select", banded_page(20));
    ASSERT_TRUE(tab);
    add_box(tab, "/select", {40, 1240, 80, 1280});
    ASSERT_TRUE(wait_until([&] { return near(tab->view()->grab().toImage().pixelColor(50, 50), band_colour(0)); }));
    bool scrolled = false;
    tab->page()->runJavaScript(QStringLiteral("window.scrollTo(0, 1000)"), [&](const QVariant&) { scrolled = true; });
    ASSERT_TRUE(wait_until([&] { return scrolled && tab->page()->scrollPosition().y() == 1000; }));

    const QString pdf = QString::fromStdString((data_.path() / "sel.pdf").string());
    int dialogs = 0;
    page_output::print_dialog = [&](QPrinter& printer) {
        ++dialogs;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        return true;
    };
    // Nothing selected: nothing printed.
    app().main_frame()->route(res::cmd::kPrintSelection);
    EXPECT_EQ(dialogs, 0);

    // A rectangle marked at document 20,1220 - 120,1320 around the memo.
    tab->layer()->set_selection_rect(platform::from_qstring(pages_.url("/select").toString()), {20, 1220, 120, 1320},
                                     QPoint(0, 1000));
    app().main_frame()->route(res::cmd::kPrintSelection);
    EXPECT_EQ(dialogs, 1);
    const QImage tmp(QString::fromStdString((app().folders().temp / "tmp.png").string()));
    ASSERT_EQ(tmp.size(), QSize(100, 100));
    EXPECT_TRUE(is_red(tmp.pixelColor(40, 40)));
    EXPECT_TRUE(near(tmp.pixelColor(5, 5), band_colour(12)));
    EXPECT_TRUE(near(tmp.pixelColor(95, 95), band_colour(13)));
    EXPECT_TRUE(QFile::exists(pdf));

    // The engine's own print: the page without its memos.
    QFile::remove(pdf);
    app().main_frame()->route(res::cmd::kPrint);
    EXPECT_EQ(dialogs, 2);
    QFile printed(pdf);
    ASSERT_TRUE(printed.open(QIODevice::ReadOnly));
    EXPECT_TRUE(printed.read(5) == "%PDF-");
}

TEST_F(PageOutputTest, BackupSavesSameSiteFilesUnderTheirPathFolders)
{
    pages_.set("/css/site/main.css", QStringLiteral("body{margin:0}"));
    pages_.set("/js/app.js", QStringLiteral("var x=1;"));
    const QString other = QStringLiteral("http://localhost:%1/img/other.png").arg(pages_.url("/").port());
    CTabBrowserWnd* tab = start_on("/docs/page.html",
                                   QStringLiteral("<title>B</title><link rel='Stylesheet' href='../css/site/main.css'>"
                                                  "<script src='/js/app.js'></script><img src='%1'>"
                                                  "<object><param name=movie value='m.swf'></object>")
                                       .arg(other));
    ASSERT_TRUE(tab);
    const std::vector<QUrl> found = page_backup::page_resources(*tab);
    EXPECT_EQ(found, (std::vector<QUrl>{pages_.url("/js/app.js"), QUrl(other), pages_.url("/css/site/main.css"),
                                        pages_.url("/docs/m.swf")}));

    const std::filesystem::path folder = data_.path() / "backup";
    std::filesystem::create_directories(folder);
    page_backup::folder_dialog = [&] { return QString::fromStdString(folder.string()); };
    const int other_hits = pages_.hits("/img/other.png");  // the page's own load
    app().main_frame()->route(res::cmd::kBackupPage);
    std::ifstream css(folder / "css" / "site" / "main.css");
    std::string text((std::istreambuf_iterator<char>(css)), {});
    EXPECT_EQ(text, "body{margin:0}");
    EXPECT_TRUE(std::filesystem::exists(folder / "js" / "app.js"));
    EXPECT_FALSE(std::filesystem::exists(folder / "img"));
    EXPECT_EQ(pages_.hits("/img/other.png"), other_hits);
    // The PARAM value is not served: an error answer is no file.
    EXPECT_EQ(page_backup::last_saved_count(), 2);
    EXPECT_FALSE(std::filesystem::exists(folder / "docs" / "m.swf"));
}

TEST(PageBackup, ResourcePathsNeverLeaveTheChosenFolder)
{
    const std::filesystem::path folder = "/save/here";
    const QUrl page(QStringLiteral("http://example.com/a/page.html"));
    auto target = [&](const char* url) {
        return page_backup::target_for(folder, page, QUrl(QString::fromLatin1(url), QUrl::TolerantMode));
    };
    EXPECT_EQ(target("http://example.com/css//x/main.css"), folder / "css" / "x" / "main.css");
    EXPECT_EQ(target("http://example.com/dir/"), folder / "dir" / "index.html");
    EXPECT_EQ(target("http://example.com/a/b%3Ac.png?x=1"), folder / "a" / "b_c.png");
    EXPECT_EQ(target("http://example.com/a/..%2F..%2Fetc%2Fpasswd"), folder / "a" / ".._.._etc_passwd");
    EXPECT_FALSE(target("http://example.com/a/%2E%2E/%2e%2e/etc/passwd"));
    EXPECT_FALSE(target("http://example.com/a/./b.png"));
    EXPECT_FALSE(target("http://example.com:8080/a/b.png"));
    EXPECT_FALSE(target("https://example.com/a/b.png"));
    EXPECT_FALSE(target("http://other.example.com/a/b.png"));
    EXPECT_FALSE(target("data:image/png;base64,AAAA"));
}

TEST(PageOutput, ATallImageIsPrintedOverSeveralPagesInOrder)
{
    AppInit::ensure();
    TempDir dir;
    QImage image(400, 3000, QImage::Format_ARGB32);
    image.fill(QColor(0, 0, 255));
    QPainter(&image).fillRect(0, 2800, 400, 200, QColor(255, 0, 0));
    const QString pdf = QString::fromStdString((dir.path() / "tall.pdf").string());
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    printer.setPageSize(QPageSize(QPageSize::A4));
    page_output::print_image(printer, image);

    // An A4 page holds about 580 image pixels at this width: six pages, the last ending in red.
    const QString base = QString::fromStdString((dir.path() / "p").string());
    QProcess render;
    render.start(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("20"), QStringLiteral("-png"), pdf, base});
    ASSERT_TRUE(render.waitForFinished(30000));
    ASSERT_EQ(render.exitCode(), 0);
    const QImage first(base + QStringLiteral("-1.png"));
    const QImage last(base + QStringLiteral("-6.png"));
    ASSERT_FALSE(first.isNull());
    ASSERT_FALSE(last.isNull());
    EXPECT_FALSE(QFile::exists(base + QStringLiteral("-7.png")));
    EXPECT_FALSE(is_red(first.pixelColor(first.width() / 2, first.height() / 4)));
    bool red_on_last = false;
    for (int y = 0; y < last.height(); ++y)
        red_on_last = red_on_last || is_red(last.pixelColor(last.width() / 2, y));
    EXPECT_TRUE(red_on_last);
}

TEST(PageOutput, OverlayPlaceholdersTakeTheImageSizeScaledTo640)
{
    const QString source = QStringLiteral("<img width=--**//WIDTH//**-- height=--**//HEIGHT//**-->"
                                          "<p>--**//WIDTH//**--</p>\ntop:--**//MARGINOFFSET_Y//**--px");
    EXPECT_EQ(page_output::overlay_html(source, 1280, 2000, 8),
              QStringLiteral("<img width=1280 height=1000><p>1280</p>\ntop:8px\n"));
    // Truncated, not rounded: 640 / 3 * 2 = 426.67.
    EXPECT_TRUE(page_output::overlay_html(QStringLiteral("--**//HEIGHT//**--"), 3, 2, 0).startsWith(QStringLiteral("426")));
    EXPECT_EQ(page_output::clean_title(QStringLiteral("a\\b/c:d?e*f<g>h|i")), QStringLiteral("abcdefghi"));
    EXPECT_EQ(page_output::mail_file_name(QStringLiteral("..")), QStringLiteral("memo...ame"));
    const QString long_name = page_output::mail_file_name(QString(300, QChar(0x3042)));
    EXPECT_LE(long_name.toUtf8().size(), 255);
    EXPECT_TRUE(long_name.endsWith(QStringLiteral(".ame")));
}

} // namespace
