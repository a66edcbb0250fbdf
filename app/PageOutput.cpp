#include "app/PageOutput.h"

#include <QCoreApplication>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QPageSetupDialog>
#include <QPointer>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QTextStream>
#include <QWebEngineView>
#include <algorithm>
#include <cmath>
#include <optional>
#include <memory>

#include "app/BrowserPage.h"
#include "app/MarvoApp.h"
#include "app/PageBackup.h"
#include "app/TabBrowserWnd.h"
#include "memo/MemoPackage.h"
#include "memo/PackageFiles.h"
#include "memo/PngRowWriter.h"
#include "memo/RowWriter.h"
#include "memo/ui/LayerWnd.h"
#include "platform/QtText.h"
#include "res/CommandIds.h"
#include "res/StringTable.h"
#include "rs2/FileStream.h"
#include "ui/MessageBox.h"
#include "ui/Texts.h"

namespace page_output {
namespace {

// Texts translated when shown: the translations are installed after static initialisation.
const char* const kNoMailSystem = QT_TRANSLATE_NOOP("PageOutput", "メール システムを読み込めません。");
const char* const kMailFailed = QT_TRANSLATE_NOOP("PageOutput", "メールを送信できませんでした。");
const char* const kMemoFilter = QT_TRANSLATE_NOOP("PageOutput", "メモファイル (*.ame)");

QString shown(const char* text)
{
    return QCoreApplication::translate("PageOutput", text);
}
const QString kImageFilter = QStringLiteral("*.png;;*.jpg;;*.bmp");

// Written when the module folder holds no overlay source of its own.
const QString kBuiltInOverlaySource = QStringLiteral(
    "<html><body style=\"margin:0\">\n"
    "<img src=\"tmp.png\" style=\"position:absolute;left:0;"
    "top:--**//MARGINOFFSET_Y//**--px\" width=\"640\" height=\"--**//HEIGHT//**--\" "
    "data-width=\"--**//WIDTH//**--\">\n"
    "</body></html>\n");

// Screen pixels per page pixel of a print: the printer's pixels per page pixel, but at least
// twice the screen's and at most four times (the engine's rendering and memory grow with it).
int print_scale(const QPrinter& printer, int page_width)
{
    const int printer_width = printer.pageLayout().paintRectPixels(printer.resolution()).width();
    return std::clamp(int(std::ceil(double(printer_width) / std::max(page_width, 1))), 2, 4);
}

QString ask_save_path(QWidget* parent, const QString& proposed, const QString& filter, const QString& extension)
{
    QString path = save_dialog ? save_dialog(proposed, filter)
                               : QFileDialog::getSaveFileName(parent, QString(), proposed, filter);
    if (!path.isEmpty() && QFileInfo(path).suffix().isEmpty())
        path += QLatin1Char('.') + extension;
    return path;
}

std::filesystem::path to_path(const QString& path)
{
    return std::filesystem::path(path.toStdU16String());
}

QPrinter& shared_printer()
{
    // Page setup chooses what later prints use, for the life of the program.
    static QPrinter printer(QPrinter::HighResolution);
    return printer;
}

bool ask_printer(QWidget* parent, QPrinter& printer)
{
    if (print_dialog)
        return print_dialog(printer);
    QPrintDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

// The picture formats written a strip at a time.
enum class StripFormat { None, Png, Jpeg, Bmp };

StripFormat strip_format(const QString& path)
{
    const QString extension = QFileInfo(path).suffix().toLower();
    if (extension == QLatin1String("png"))
        return StripFormat::Png;
    if (extension == QLatin1String("jpg") || extension == QLatin1String("jpeg"))
        return StripFormat::Jpeg;
    if (extension == QLatin1String("bmp"))
        return StripFormat::Bmp;
    return StripFormat::None;
}

std::unique_ptr<memo::RowWriter> row_writer(StripFormat format, rs2::BaseOStream& out, QSize size)
{
    switch (format) {
    case StripFormat::Png:
        return std::make_unique<memo::PngRowWriter>(out, size.width(), size.height());
    case StripFormat::Jpeg:
        return std::make_unique<memo::JpegRowWriter>(out, size.width(), size.height());
    case StripFormat::Bmp:
        return std::make_unique<memo::BmpRowWriter>(out, size.width(), size.height());
    case StripFormat::None:
        break;
    }
    return nullptr;
}

// Writes the area of the page, with its memos, as a picture file a strip at a time (in the
// order of the file's rows): no picture of the whole page is ever held. False when a strip
// cannot be taken or the file not written.
bool save_in_strips(CTabBrowserWnd& tab, const QRect& area, const std::filesystem::path& path, StripFormat format)
{
    try {
        rs2::AtomicFileStream out(path.string());
        const std::unique_ptr<memo::RowWriter> writer = row_writer(format, out, area.size());
        if (!writer)
            return false;
        const bool bottom_up = writer->bottom_up();
        const int strips = (area.height() + kStripRows - 1) / kStripRows;
        for (int i = 0; i < strips; ++i) {
            const int top = area.top() + (bottom_up ? strips - 1 - i : i) * kStripRows;
            const QImage strip = capture_page(tab, QRect(area.left(), top, area.width(),
                                                         std::min(kStripRows, area.bottom() + 1 - top)));
            if (strip.isNull())
                return false;
            for (int y = 0; y < strip.height(); ++y)
                if (!writer->write_row(strip.constScanLine(bottom_up ? strip.height() - 1 - y : y)))
                    return false;
        }
        if (!writer->finish())
            return false;
        out.commit();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

// The written overlay files follow the printed area; a module folder that holds its own
// overlay source gives the layout.
void write_overlay_files(CTabBrowserWnd& tab, const QRect& area, int margin_y)
{
    save_in_strips(tab, area, theApp().folders().temp / "tmp.png", StripFormat::Png);
    const QString temp = QString::fromStdU16String(theApp().folders().temp.u16string());
    QString source = kBuiltInOverlaySource;
    QFile src(QString::fromStdU16String(theApp().folders().module.u16string()) + QStringLiteral("/overlaysrc.html"));
    if (src.open(QIODevice::ReadOnly))
        source = QString::fromUtf8(src.readAll());
    QFile out(temp + QStringLiteral("/overlay.html"));
    if (out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        out.write(overlay_html(source, area.width(), area.height(), margin_y).toUtf8());
}

QRect selection_in_page(CTabBrowserWnd& tab)
{
    CLayerWnd* layer = tab.layer();
    const memo::Rect sel = layer->selection_rect().normalized();
    if (sel.is_empty())
        return {};
    const std::vector<DocumentView> docs = layer->documents();
    if (docs.empty())
        return {};
    for (const DocumentView& doc : docs) {
        if (memo::normalize_url(doc.url) != layer->selection_url())
            continue;
        // Document -> layer -> top document coordinates.
        const memo::Point o = doc.offset();
        return QRect(sel.left + o.x + docs.front().scroll.x(), sel.top + o.y + docs.front().scroll.y(),
                     sel.right - sel.left, sel.bottom - sel.top);
    }
    return {};
}

void print_with_memo(CTabBrowserWnd& tab, bool preview, bool selection)
{
    QRect area;
    if (selection) {
        area = selection_in_page(tab);
        if (area.isEmpty())
            return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const std::optional<PageMetrics> m = measure(tab);
    const QRect target = m ? (area.isNull() ? QRect(QPoint(0, 0), m->document) : area & QRect(QPoint(0, 0), m->document))
                           : QRect();
    if (!target.isEmpty())
        write_overlay_files(tab, target, m->margin_y);
    QApplication::restoreOverrideCursor();
    if (target.isEmpty()) {
        // A page that cannot be measured: say so rather than print nothing.
        ui::message_box(&tab, QCoreApplication::translate("PageOutput", "ページの画像を作成できませんでした。"));
        return;
    }
    // Each printed page takes its own strip of the page, so a long page is never one picture,
    // and takes it from the page shown enlarged, for text as sharp as the printer can print.
    const auto print = [&tab, target](QPrinter& printer) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        {
            const EnlargedView enlarged(tab, print_scale(printer, target.width()));
            print_strips(printer, target.size(), [&](int top, int height) {
                return capture_page(tab, QRect(target.left(), target.top() + top, target.width(), height), true);
            });
        }
        QApplication::restoreOverrideCursor();
    };
    QPrinter& printer = shared_printer();
    if (preview) {
        if (print_dialog) {
            if (print_dialog(printer))
                print(printer);
            return;
        }
        QPrintPreviewDialog dialog(&printer, &tab);
        QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, [&](QPrinter* p) { print(*p); });
        dialog.exec();
        return;
    }
    if (ask_printer(&tab, printer))
        print(printer);
}

// The engine's own print of the page, without the memos.
void print_plain(CTabBrowserWnd& tab, QPrinter& printer)
{
    bool finished = false;
    auto connection = QObject::connect(tab.view(), &QWebEngineView::printFinished, [&](bool) { finished = true; });
    tab.view()->print(&printer);
    wait_for([&] { return finished; }, 60000);
    QObject::disconnect(connection);
}

void save_memo_file(CTabBrowserWnd& tab)
{
    const auto packages = page_packages(tab);
    if (packages.empty()) {
        ui::message_box(&tab, ui::string_text(res::str::kNoMemos));
        return;
    }
    QString path = ask_save_path(&tab, clean_title(tab.LocationName()), shown(kMemoFilter), QStringLiteral("ame"));
    if (path.isEmpty())
        return;
    // A memo file is known by its extension: a name with a dot of its own ("v1.2") gets it too.
    if (!path.endsWith(QStringLiteral(".ame")))
        path += QStringLiteral(".ame");
    if (!write_memo_file(packages, to_path(path)))
        ui::message_box(&tab, ui::string_text(res::str::kMemoSaveFailed));
}

void mail_with_memo(CTabBrowserWnd& tab)
{
    if (!tab.layer()->page_has_memos()) {
        ui::message_box(&tab, ui::string_text(res::str::kNoMemos));
        return;
    }
    const std::filesystem::path file = theApp().folders().temp / to_path(mail_file_name(tab.LocationName()));
    if (!write_memo_file(page_packages(tab), file)) {
        ui::message_box(&tab, ui::string_text(res::str::kMemoSaveFailed));
        return;
    }
    const QString program = QStandardPaths::findExecutable(QStringLiteral("xdg-email"));
    if (program.isEmpty()) {
        ui::message_box(&tab, shown(kNoMailSystem));
        return;
    }
    const QStringList arguments{QStringLiteral("--subject"), tab.LocationName(),
                                QStringLiteral("--body"), tab.LocationURL().toString(),
                                QStringLiteral("--attach"), QString::fromStdU16String(file.u16string())};
    // The mailer reports by its exit status whether the mail program took the mail.
    auto* mailer = new QProcess(&tab);
    const QPointer<CTabBrowserWnd> owner(&tab);
    const auto report = [mailer, owner](bool failed) {
        mailer->deleteLater();
        if (failed && owner)
            ui::message_box(owner, shown(kMailFailed));
    };
    QObject::connect(mailer, &QProcess::finished, mailer, [mailer, report](int code, QProcess::ExitStatus status) {
        report(status != QProcess::NormalExit || code != 0);
    });
    QObject::connect(mailer, &QProcess::errorOccurred, mailer, [report](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            report(true);
    });
    mailer->setStandardInputFile(QProcess::nullDevice());
    mailer->start(program, arguments);
}

void save_page_as_image(CTabBrowserWnd& tab)
{
    const QString path = ask_save_path(&tab, clean_title(tab.LocationName()) + QStringLiteral(".png"), kImageFilter,
                                       QStringLiteral("png"));
    if (path.isEmpty())
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    bool saved = false;
    const StripFormat format = strip_format(path);
    if (format != StripFormat::None) {
        // Written a strip at a time, whatever the page's length.
        const std::optional<PageMetrics> m = measure(tab);
        saved = m && save_in_strips(tab, QRect(QPoint(0, 0), m->document), to_path(path), format);
    } else {
        // Another extension Qt may know; one it cannot write falls back to PNG.
        const QImage image = capture_page(tab);
        saved = !image.isNull() && (image.save(path) || image.save(path, "PNG"));
    }
    QApplication::restoreOverrideCursor();
    if (!saved)
        ui::message_box(&tab, QCoreApplication::translate("PageOutput", "画像を保存できませんでした。"));
}

} // namespace

bool handles(int id)
{
    using namespace res::cmd;
    switch (id) {
    case kPrintWithMemo:
    case kPrintPreviewWithMemo:
    case kPrintSelection:
    case kSavePageAsImage:
    case kSaveMemoFile:
    case kMailWithMemo:
    case kPrint:
    case kPrintPreview:
    case kPageSetup:
    case kBackupPage:
        return true;
    }
    return false;
}

bool run(CTabBrowserWnd& tab, int id)
{
    using namespace res::cmd;
    if (!tab.layer())
        return false;
    switch (id) {
    case kPrintWithMemo:
        print_with_memo(tab, false, false);
        return true;
    case kPrintPreviewWithMemo:
        print_with_memo(tab, true, false);
        return true;
    case kPrintSelection:
        print_with_memo(tab, false, true);
        return true;
    case kSavePageAsImage:
        save_page_as_image(tab);
        return true;
    case kSaveMemoFile:
        save_memo_file(tab);
        return true;
    case kMailWithMemo:
        mail_with_memo(tab);
        return true;
    case kPrint:
        if (ask_printer(&tab, shared_printer()))
            print_plain(tab, shared_printer());
        return true;
    case kPrintPreview: {
        if (print_dialog) {
            if (print_dialog(shared_printer()))
                print_plain(tab, shared_printer());
            return true;
        }
        QPrintPreviewDialog dialog(&shared_printer(), &tab);
        QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, [&](QPrinter* p) { print_plain(tab, *p); });
        dialog.exec();
        return true;
    }
    case kBackupPage:
        page_backup::run(tab);
        return true;
    case kPageSetup: {
        QPageSetupDialog dialog(&shared_printer(), &tab);
        dialog.exec();
        return true;
    }
    }
    return false;
}

QString clean_title(const QString& title)
{
    QString out;
    for (QChar c : title)
        if (!QStringLiteral("\\/:?*<>|").contains(c))
            out += c;
    return out;
}

QString mail_file_name(const QString& title)
{
    QString name = clean_title(title).trimmed();
    // A title of dots alone would name a hidden file or the folder itself.
    if (name.isEmpty() || name.startsWith(QLatin1Char('.')))
        name.prepend(QStringLiteral("memo"));
    while (name.toUtf8().size() + 4 > qsizetype(memo::kMaxFileNameBytes))
        name.chop(1);
    return name + QStringLiteral(".ame");
}

std::vector<memo::PackageCache::PackagePtr> page_packages(CTabBrowserWnd& tab)
{
    std::vector<memo::PackageCache::PackagePtr> out;
    CLayerWnd* layer = tab.layer();
    if (!layer)
        return out;
    for (const DocumentView& doc : layer->documents()) {
        auto pkg = layer->package(doc.url, false);
        // A frame shown twice has one package.
        if (pkg && std::find(out.begin(), out.end(), pkg) == out.end())
            out.push_back(std::move(pkg));
    }
    return out;
}

bool write_memo_file(const std::vector<memo::PackageCache::PackagePtr>& packages, const std::filesystem::path& path)
{
    std::vector<const memo::MemoPackage*> raw;
    for (const auto& p : packages)
        raw.push_back(p.get());
    try {
        const std::string bytes = memo::serialize_memo_file(raw);
        rs2::AtomicFileStream out(path.string());
        out.write(bytes.data(), bytes.size());
        out.commit();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

QString overlay_html(const QString& source, int width, int height, int margin_y)
{
    const int scaled = width > 0 ? int(640.0 / double(width) * double(height)) : 0;
    QString out;
    QString text = source;
    QTextStream in(&text);
    while (!in.atEnd()) {
        QString line = in.readLine();
        line.replace(QStringLiteral("--**//WIDTH//**--"), QString::number(width));
        line.replace(QStringLiteral("--**//HEIGHT//**--"), QString::number(scaled));
        line.replace(QStringLiteral("--**//MARGINOFFSET_Y//**--"), QString::number(margin_y));
        out += line + QLatin1Char('\n');
    }
    return out;
}

void print_strips(QPrinter& printer, QSize size, const StripSource& strip)
{
    QPainter painter;
    if (size.isEmpty() || !painter.begin(&printer))
        return;
    // Text in the picture stays as sharp as it was taken: no lossy compression on the way.
    painter.setRenderHints(QPainter::LosslessImageRendering | QPainter::SmoothPixmapTransform);
    const QRect page = painter.viewport();
    const double scale = double(page.width()) / double(size.width());
    // The part of the picture one printed page holds, in picture pixels.
    const int slice = std::max(1, int(double(page.height()) / scale));
    for (int top = 0; top < size.height(); top += slice) {
        const int rows = std::min(slice, size.height() - top);
        // The strip may come at a finer resolution than the picture's own pixels.
        const QImage part = strip(top, rows);
        if (part.isNull())
            break;
        if (top > 0)
            printer.newPage();
        painter.drawImage(QRectF(0, 0, page.width(), rows * scale), part);
    }
    painter.end();
}

void print_image(QPrinter& printer, const QImage& image)
{
    print_strips(printer, image.size(),
                 [&image](int top, int height) { return image.copy(0, top, image.width(), height); });
}

} // namespace page_output
