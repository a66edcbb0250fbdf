#include <gtest/gtest.h>

#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>

#include "TempDir.h"
#include "res/StringTable.h"
#include "settings/Settings.h"
#include "settings/SettingsFile.h"

// The search prefixes live twice: as strings of the string table (which the settings sheet
// offers) and as the settings' own defaults. They must be the same texts.
TEST(SearchPrefixes, StringTableAgreesWithTheSettingsDefaults)
{
    EXPECT_EQ(res::text(101), settings::kSearchGoogle);
    EXPECT_EQ(res::text(102), settings::kSearchGoo);
    EXPECT_EQ(res::text(103), settings::kSearchYahoo);
    EXPECT_EQ(res::text(105), settings::kSearchMsn);
}

namespace {

// The folders whose code shows texts; the same list as the marvo_update_translations target.
const QStringList kInterfaceFolders{"app", "places/ui", "memo/ui", "settings/ui", "share/ui", "ui"};

QString read_text(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace

// Every text the interface shows has its English entry: lupdate, run over the code and the
// tables into a copy of the catalogue, finds no text without a translation, and no Japanese
// literal in the interface's code bypasses the translation calls (data texts say so in a
// "not translated" comment on their line).
TEST(EnglishInterface, EveryVisibleTextHasAnEnglishEntry)
{
    TempDir dir;
    const QString catalogue = QString::fromStdString(dir.file("marvo_en.ts"));
    const QString table_texts = QString::fromStdString(dir.file("TableTexts.cpp"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(MARVO_SOURCE_DIR "/res/translations/marvo_en.ts"), catalogue));
    ASSERT_EQ(QProcess::execute(QStringLiteral(MARVO_BINARY_DIR "/tools/marvo-table-texts/marvo-table-texts"),
                                {table_texts}), 0);
    QProcess lupdate;
    lupdate.setWorkingDirectory(QStringLiteral(MARVO_SOURCE_DIR));
    lupdate.start(QStringLiteral(MARVO_LUPDATE), QStringList{"-silent", "-locations", "none", "-no-obsolete",
                                                              "-source-language", "ja", "-target-language", "en"}
                                                     + kInterfaceFolders + QStringList{table_texts, "-ts", catalogue});
    ASSERT_TRUE(lupdate.waitForFinished(120000));
    ASSERT_EQ(lupdate.exitCode(), 0) << lupdate.readAllStandardError().toStdString();
    // A tr() whose context lupdate cannot tell is left out of the catalogue.
    const QString warnings = QString::fromUtf8(lupdate.readAllStandardError());
    EXPECT_FALSE(warnings.contains(QStringLiteral("without context"))) << warnings.toStdString();

    const QRegularExpression unfinished(QStringLiteral(R"(<source>([^<]*)</source>\s*<translation type="unfinished")"));
    QStringList without_english;
    for (const auto& match : unfinished.globalMatch(read_text(catalogue)))
        without_english << match.captured(1);
    EXPECT_TRUE(without_english.isEmpty()) << "no English in res/translations/marvo_en.ts for:\n"
                                           << without_english.join('\n').toStdString();

    const QRegularExpression japanese_literal(QStringLiteral(R"("[^"\n]*[\x{3000}-\x{30ff}\x{4e00}-\x{9fff}\x{ff00}-\x{ffef}])"));
    const QRegularExpression translated(QStringLiteral(R"(\btr\(|translate\(|QT_TR_NOOP\(|QT_TRANSLATE_NOOP\(|not translated)"));
    QStringList bypassing;
    for (const QString& folder : kInterfaceFolders) {
        QDirIterator files(QStringLiteral(MARVO_SOURCE_DIR "/") + folder, {"*.cpp", "*.h"}, QDir::Files);
        while (files.hasNext()) {
            const QString path = files.next();
            const QStringList lines = read_text(path).split('\n');
            for (qsizetype i = 0; i < lines.size(); ++i) {
                const QString code = lines[i].section(QStringLiteral("//"), 0, 0);
                const QString around = (i > 0 ? lines[i - 1] : QString()) + lines[i];
                if (japanese_literal.match(code).hasMatch() && !translated.match(around).hasMatch())
                    bypassing << QStringLiteral("%1:%2: %3").arg(path).arg(i + 1).arg(lines[i].trimmed());
            }
        }
    }
    EXPECT_TRUE(bypassing.isEmpty()) << "Japanese texts outside tr() or translate():\n"
                                     << bypassing.join('\n').toStdString();
}

namespace {

// The menu titles of the built browser, started on an empty page with `language` in its
// settings file and the environment's locale `locale`; it quits once the page is painted.
QStringList menus_of_browser_started(const char* language, const QString& locale)
{
    TempDir home;
    std::filesystem::create_directories(home.path() / "Marvo");
    QFile settings(QString::fromStdString((home.path() / "Marvo" / settings::kSettingsFileName).string()));
    EXPECT_TRUE(settings.open(QIODevice::WriteOnly));
    settings.write(QByteArray("<?xml version=\"1.0\" encoding=\"Shift_JIS\" ?>\r\n<marvo>\r\n\t<option>\r\n"
                              "\t\t<language value=\"") + language + "\"/>\r\n\t</option>\r\n</marvo>\r\n");
    settings.close();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES"})
        environment.remove(QString::fromLatin1(name));
    environment.insert(QStringLiteral("LANG"), locale);
    const QString folder = QString::fromStdString(home.path().string());
    environment.insert(QStringLiteral("XDG_DATA_HOME"), folder);
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), folder);
    environment.insert(QStringLiteral("MARVO_STARTUP_PROBE"), QStringLiteral("1"));
    QProcess browser;
    browser.setProcessEnvironment(environment);
    browser.start(QStringLiteral(MARVO_BINARY_DIR "/app/marvo"), {QStringLiteral("about:blank")});
    // A cold engine start on a busy machine.
    EXPECT_TRUE(browser.waitForFinished(240000));
    QStringList menus;
    for (const QString& line : QString::fromUtf8(browser.readAllStandardError()).split('\n'))
        if (line.startsWith(QLatin1String("menu: ")))
            menus << line.mid(6);
    return menus;
}

} // namespace

// The language chosen on the settings sheet, kept in the settings file, wins over the locale.
TEST(EnglishInterface, TheLanguageInTheSettingsFileWinsOverTheLocale)
{
    const QStringList english = menus_of_browser_started("en", QStringLiteral("ja_JP.UTF-8"));
    EXPECT_TRUE(english.contains(QStringLiteral("&File"))) << english.join(", ").toStdString();
    const QStringList japanese = menus_of_browser_started("ja", QStringLiteral("C.UTF-8"));
    EXPECT_TRUE(japanese.contains(QStringLiteral("ファイル(&F)"))) << japanese.join(", ").toStdString();
}
