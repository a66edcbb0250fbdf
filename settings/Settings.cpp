#include "settings/Settings.h"

namespace settings {

Settings::Settings()
{
    set_default_gestures();
    rebuild_gesture_table();
}

bool Settings::is_valid_server_addr(std::string_view address)
{
    for (const char c : address) {
        // Control characters would not survive the file either: the reader turns them into
        // spaces.
        if (c == '"' || c == '<' || c == '&' || static_cast<unsigned char>(c) < 0x20)
            return false;
    }
    return true;
}

bool Settings::set_server_addr(std::string address)
{
    if (!is_valid_server_addr(address))
        return false;
    server_addr_ = std::move(address);
    return true;
}

void Settings::fill_empty_at_startup(const std::string& data_folder, const std::string& logon_name)
{
    if (searchstring.empty())
        searchstring = kSearchGoogle;
    if (savefolder.empty())
        savefolder = data_folder + "/memo";
    if (user_name.empty())
        user_name = logon_name;
}

void Settings::set_default_gestures()
{
    gestures = {
        {std::string(kArrowDown), kCmdClose},
        {std::string(kArrowLeft), kCmdBack},
        {std::string(kArrowRight), kCmdForward},
        {std::string(kArrowUp) + std::string(kArrowLeft), kCmdUpOneLevel},
        {std::string(kArrowRight) + std::string(kArrowUp), kCmdRefresh},
        {std::string(kArrowDown) + std::string(kArrowLeft), kCmdHome},
    };
}

void Settings::rebuild_gesture_table()
{
    gesture_recognizer.rebuild(gestures);
}

bool Settings::operator==(const Settings& o) const
{
    return width == o.width && rect == o.rect && maximized == o.maximized && fontsize == o.fontsize &&
           toolbar == o.toolbar && addrbar == o.addrbar && linkbar == o.linkbar && drawbar == o.drawbar &&
           statbar == o.statbar && favobar == o.favobar && histbar == o.histbar && memobar == o.memobar &&
           exprect == o.exprect && bandinfo == o.bandinfo && lastopen == o.lastopen &&
           lastclose == o.lastclose && private_areas == o.private_areas && proxy == o.proxy &&
           searchstring == o.searchstring && savefolder == o.savefolder &&
           doublebuffer == o.doublebuffer && securityflag == o.securityflag && favorder == o.favorder &&
           blockpopup == o.blockpopup && blockscripterror == o.blockscripterror &&
           openlast == o.openlast && server_addr_ == o.server_addr_ && server_port == o.server_port &&
           share_position == o.share_position && user_name == o.user_name &&
           check_time == o.check_time && del_cookie == o.del_cookie && del_hist == o.del_hist &&
           del_temp == o.del_temp && del_tabhist == o.del_tabhist && proxy_setting == o.proxy_setting &&
           proxy_index == o.proxy_index && proxy_login == o.proxy_login && proxy_pw == o.proxy_pw &&
           useragent == o.useragent && language == o.language && discard_minutes == o.discard_minutes &&
           gestures == o.gestures && command_lr == o.command_lr && command_rl == o.command_rl &&
           keys == o.keys &&
           gesture_recognizer.gesture_strings() == o.gesture_recognizer.gesture_strings();
}

} // namespace settings
