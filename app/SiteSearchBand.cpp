#include "app/SiteSearchBand.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

#include "app/MainFrame.h"
#include "app/MarvoApp.h"
#include "places/UrlText.h"
#include "platform/QtText.h"

QWidget* CSiteSearchBand::create_band(ToolBandSite* site, QWidget* parent)
{
    site_ = site;
    auto* band = new QWidget(parent);
    auto* layout = new QHBoxLayout(band);
    layout->setContentsMargins(2, 0, 2, 0);
    layout->addWidget(new QLabel(QCoreApplication::translate("SiteSearchBand", "サイト内検索:"), band));
    edit_ = new QLineEdit(band);
    edit_->setObjectName(QStringLiteral("SiteSearchEdit"));
    edit_->setMinimumWidth(120);
    layout->addWidget(edit_);
    QObject::connect(edit_, &QLineEdit::returnPressed, band, [this] { search(edit_->text()); });
    return band;
}

QString CSiteSearchBand::title() const
{
    return QCoreApplication::translate("SiteSearchBand", "サイト内検索");
}

QUrl CSiteSearchBand::search_url(const QString& words) const
{
    if (!site_)
        return {};
    const QString host = site_->LocationURL().host();
    const std::string prefix = theApp().settings().searchstring;
    const std::string text = platform::from_qstring(words.simplified());
    if (host.isEmpty() || text.empty() || prefix.empty())
        return {};
    const std::string query = places::encode_search_query(text + " site:" + host.toStdString());
    return QUrl(platform::to_qstring(prefix + query));
}

void CSiteSearchBand::search(const QString& words)
{
    const QUrl url = search_url(words);
    if (site_ && url.isValid() && !url.isEmpty())
        site_->Navigate(url);
}
