#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <memory>
#include <vector>

#include "app/ToolBand.h"

class CMainFrame;
class QMenu;
class QToolBar;
class QWebEngineView;

// The installed tool bands of the main frame and the site they share. Installed bands are
// the values under HKEY_LOCAL_MACHINE "Software\Microsoft\Internet Explorer\Toolbar" whose
// names are class ids in braces; a band's name is the default value of "CLSID\<id>" under
// HKEY_CLASSES_ROOT, and its plug-in file that of "CLSID\<id>\InprocServer32". Bands are
// created on demand from menu 184.
class ToolBands : public QObject, public ToolBandSite {
    Q_OBJECT
public:
    struct Entry {
        QString class_id;
        QString name;
        std::unique_ptr<ToolBand> band;  // null until created
        QPointer<QToolBar> bar;
    };

    // The class id of the band that comes with the program.
    static constexpr const char* kSiteSearchBand = "{5E0C8A52-3B6F-4C1D-9A27-8F41D6B3E790}";

    explicit ToolBands(CMainFrame* frame);
    ~ToolBands() override;

    // The frame's tool bands, created with the first call.
    static ToolBands* of(CMainFrame* frame);
    // Lists the installed bands again from the registry store.
    void reload();
    const std::vector<Entry>& entries() const { return entries_; }
    // Creates band `index` when it does not exist yet, else shows or hides it (command 150).
    void toggle(int index);
    // Creates the band of that name where the saved layout puts it; false when there is none.
    bool create(const std::string& name, unsigned width, bool new_row);
    std::vector<std::string> names() const;
    // Set on the bars of tool bands, so the saved layout can tell them from other bars.
    static constexpr const char* kBandProperty = "marvoToolBand";
    // Menu 184: the native bars, then one checkable item per installed band.
    QMenu* rebar_menu(QWidget* parent);

    // ToolBandSite: the active tab, or the hidden browser.
    QUrl LocationURL() const override;
    QString LocationName() const override;
    bool Busy() const override;
    void Navigate(const QUrl& url) override;
    void GoBack() override;
    void GoForward() override;
    void Refresh() override;
    void Stop() override;
    QWebEnginePage* Page() const override;

private:
    QWebEngineView* target() const;
    std::unique_ptr<ToolBand> instantiate(const QString& class_id) const;
    bool create_at(Entry& entry, unsigned width, bool new_row);

    CMainFrame* frame_;
    std::vector<Entry> entries_;
    mutable QWebEngineView* fallback_ = nullptr;
};

// Lists the program's own band among the installed ones when it is missing.
void register_builtin_tool_bands();
