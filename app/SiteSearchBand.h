#pragma once

#include "app/ToolBand.h"

class QLineEdit;

// The tool band that comes with the program: searches the site of the current page with the
// search engine ("words site:host"), through the frame's site.
class CSiteSearchBand : public ToolBand {
public:
    QWidget* create_band(ToolBandSite* site, QWidget* parent) override;
    QString title() const override;
    QSize minimum_size() const override { return {180, 24}; }
    void close_band() override { site_ = nullptr; }

    ToolBandSite* site() const { return site_; }
    // The address the band opens for the words on the current page's site; empty without one.
    QUrl search_url(const QString& words) const;
    void search(const QString& words);

private:
    ToolBandSite* site_ = nullptr;
    QLineEdit* edit_ = nullptr;
};
