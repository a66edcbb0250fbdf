#include "app/AnnotationFiles.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileDialog>
#include <QRegularExpression>
#include <QStandardPaths>

#include "app/MarvoApp.h"
#include "app/TabBrowserWnd.h"
#include "memo/PackageCache.h"
#include "memo/WebAnnotation.h"
#include "memo/ui/LayerWnd.h"
#include "platform/ShiftJis.h"
#include "res/StringTable.h"
#include "ui/MessageBox.h"

namespace annotation_files {
namespace {

const QString kFilter = QStringLiteral("W3C Web Annotation (*.json *.jsonld)");
// Lines of the report of annotations left out; the rest is counted.
constexpr int kReportLines = 20;

const memo::AnnotationTextCodec& codec()
{
    static const memo::AnnotationTextCodec codec{platform::sjis_to_utf8, platform::utf8_to_sjis};
    return codec;
}

QString documents_folder()
{
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

} // namespace

void export_page(QWidget* parent, CTabBrowserWnd& tab)
{
    memo::PackageCache& cache = theApp().package_cache();
    std::vector<memo::PackageCache::PackagePtr> held;
    std::vector<const memo::MemoPackage*> packages;
    for (const DocumentView& doc : tab.layer()->documents())
        if (auto pkg = cache.lookup(doc.url, false); pkg && !pkg->empty() &&
                                                      std::find(held.begin(), held.end(), pkg) == held.end()) {
            held.push_back(pkg);
            packages.push_back(pkg.get());
        }
    if (packages.empty()) {
        const std::string_view none = res::text(res::str::kNoMemos);
        ui::message_box(parent, QString::fromUtf8(none.data(), qsizetype(none.size())));
        return;
    }
    QString name = tab.LocationName().trimmed();
    name.replace(QRegularExpression(QStringLiteral("[/\\\\:*?\"<>|]")), QStringLiteral("_"));
    if (name.isEmpty())
        name = QStringLiteral("memos");
    const QString file = QFileDialog::getSaveFileName(parent, QString(), documents_folder() + QLatin1Char('/') + name +
                                                                             QStringLiteral(".json"), kFilter);
    if (file.isEmpty())
        return;
    const std::string json = memo::to_web_annotations(packages, codec());
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        out.write(json.data(), qint64(json.size())) != qint64(json.size()) || !out.flush()) {
        ui::message_box(parent, QCoreApplication::translate("AnnotationFiles", "%1 に書き込めませんでした: %2").arg(file, out.errorString()));
        out.remove();
    }
}

void import_file(QWidget* parent)
{
    const QString file = QFileDialog::getOpenFileName(parent, QString(), documents_folder(), kFilter);
    if (file.isEmpty())
        return;
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly)) {
        ui::message_box(parent, QCoreApplication::translate("AnnotationFiles", "%1 を読めませんでした: %2").arg(file, in.errorString()));
        return;
    }
    const QByteArray bytes = in.readAll();
    memo::AnnotationImport imported = memo::from_web_annotations(std::string_view(bytes.data(), bytes.size()), codec());
    if (!imported.is_json) {
        ui::message_box(parent, QCoreApplication::translate("AnnotationFiles", "%1 は JSON ではありません").arg(file));
        return;
    }
    if (!imported.not_mapped.empty()) {
        QStringList lines;
        for (std::size_t i = 0; i < imported.not_mapped.size() && i < kReportLines; ++i)
            lines << QString::fromStdString(imported.not_mapped[i]);
        if (imported.not_mapped.size() > kReportLines)
            lines << QCoreApplication::translate("AnnotationFiles", "ほか %1 件").arg(imported.not_mapped.size() - kReportLines);
        ui::message_box(parent, QCoreApplication::translate("AnnotationFiles", "次の注釈はメモにできないため読み込みませんでした:\n") + lines.join(QLatin1Char('\n')));
    }
    if (imported.packages.empty())
        return;
    theApp().TakeMemoPackages(std::move(imported.packages));
}

} // namespace annotation_files
