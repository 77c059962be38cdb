#include "textutil/date_picture.h"

#include <cstdio>

namespace pelko {

namespace {

Text Number(int value, int width) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%0*d", width, value);
    return buf;
}

// Walks the picture: quoted text is copied without its quotes ('' is one
// apostrophe), runs of one letter go to `field`, other characters stay.
template <class Field> Text WalkPicture(std::string_view picture, Field field) {
    Text out;
    for (size_t i = 0; i < picture.size();) {
        char c = picture[i];
        if (c == '\'') {
            ++i;
            while (i < picture.size()) {
                if (picture[i] == '\'') {
                    if (i + 1 < picture.size() && picture[i + 1] == '\'') {
                        out += '\'';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                size_t w = CharWidthAt(picture, i);
                out.append(picture.substr(i, w));
                i += w;
            }
            continue;
        }
        size_t w = CharWidthAt(picture, i);
        if (w == 2) {
            out.append(picture.substr(i, 2));
            i += 2;
            continue;
        }
        size_t run = 1;
        while (i + run < picture.size() && picture[i + run] == c) ++run;
        if (!field(c, static_cast<int>(run), out)) out.append(run, c);
        i += run;
    }
    return out;
}

}  // namespace

const PictureNames& PictureNames::English() {
    static const PictureNames names{
        {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"},
        {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"},
        {"January", "February", "March", "April", "May", "June", "July", "August", "September", "October",
         "November", "December"},
        {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"},
    };
    return names;
}

Text FormatDatePictureWith(const CivilTime& t, std::string_view picture, const PictureNames& names) {
    return WalkPicture(picture, [&](char c, int n, Text& out) {
        switch (c) {
            case 'd':
                if (n <= 2) out += Number(t.day, n);
                else out += (n == 3 ? names.shortDays : names.days)[static_cast<size_t>(t.dayOfWeek % 7)];
                return true;
            case 'M':
                if (n <= 2) out += Number(t.month, n);
                else out += (n == 3 ? names.shortMonths : names.months)[static_cast<size_t>((t.month + 11) % 12)];
                return true;
            case 'y':
                if (n <= 2) out += Number(t.year % 100, n);
                else out += Number(t.year, 1);
                return true;
            case 'g': out += names.era; return true;
            default: return false;
        }
    });
}

Text FormatTimePictureWith(const CivilTime& t, std::string_view picture, bool force24Hour, const PictureNames& names) {
    return WalkPicture(picture, [&](char c, int n, Text& out) {
        int width = n >= 2 ? 2 : 1;
        switch (c) {
            case 'h': {
                int hour = force24Hour ? t.hour : (t.hour % 12 == 0 ? 12 : t.hour % 12);
                out += Number(hour, width);
                return true;
            }
            case 'H': out += Number(t.hour, width); return true;
            case 'm': out += Number(t.minute, width); return true;
            case 's': out += Number(t.second, width); return true;
            case 't': {
                const Text& marker = t.hour < 12 ? names.am : names.pm;
                if (n > 1) out += marker;
                else if (!marker.empty()) out += marker.substr(0, CharWidthAt(marker, 0));
                return true;
            }
            default: return false;
        }
    });
}

bool PictureUsesNames(std::string_view picture, bool isTime) {
    if (isTime) return picture.find('t') != std::string_view::npos;
    return picture.find("ddd") != std::string_view::npos || picture.find("MMM") != std::string_view::npos ||
           picture.find('g') != std::string_view::npos;
}

bool TimeFormatIs24Hour(std::string_view format) {
    bool has24 = false, has12 = false;
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%') continue;
        ++i;
        while (i < format.size() && (format[i] == 'E' || format[i] == 'O' || format[i] == '-' ||
                                     format[i] == '_' || format[i] == '0' || format[i] == '^' || format[i] == '#'))
            ++i;
        if (i >= format.size()) break;
        char c = format[i];
        if (c == 'H' || c == 'k' || c == 'T' || c == 'R') has24 = true;
        if (c == 'I' || c == 'l' || c == 'r') has12 = true;
    }
    return has24 || !has12;
}

}  // namespace pelko
