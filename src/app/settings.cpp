#include "app/settings.h"

#include <vector>

#include "config/paths.h"
#include "textutil/ini.h"

namespace pelko {

namespace {

const char kSection[] = "Pelko";

struct Binding {
    const char* key;
    Control box;
};

// File order; load and save both walk it.
constexpr Binding kBindings[] = {
    {"关键词", Control::编辑框_关键词},     {"扫描数量", Control::编辑框_扫描数量},
    {"间隔时间", Control::编辑框_间隔时间}, {"分割符号", Control::编辑框_分割符号},
    {"推送", Control::编辑框_推送},         {"Server酱", Control::编辑框_Server酱},
    {"钉钉加签", Control::编辑框_钉钉加签},
};

}  // namespace

void LoadSettings(Window& window) {
    for (const Binding& b : kBindings) {
        // The box's own text is the fallback, so a missing key or file changes nothing.
        Text current = window.GetText(b.box);
        window.SetText(b.box, ReadIniValue(ConfigPath(), kSection, b.key, current));
    }
}

void SaveSettings(Window& window) {
    // An empty box writes an empty value: an omitted value would delete the key.
    // One replacement of the file, so a crash never leaves old and new keys mixed.
    std::vector<IniWrite> writes;
    for (const Binding& b : kBindings) writes.push_back({kSection, b.key, window.GetText(b.box)});
    WriteIniValues(ConfigPath(), writes);
}

void RestoreDefaults(Window& window) {
    window.SetText(Control::编辑框_关键词, "Drumvel#绝对值");
    window.SetText(Control::编辑框_扫描数量, "1");
    window.SetText(Control::编辑框_间隔时间, "3");
    window.SetText(Control::编辑框_分割符号, "#");
    window.SetText(Control::编辑框_推送, "");
    window.SetText(Control::编辑框_Server酱, "");
    window.SetText(Control::编辑框_钉钉加签, "");
}

}  // namespace pelko
