#include "controls/tree/textlayout.h"

#include <algorithm>

namespace controls::tree {

namespace {

constexpr std::u16string_view kEllipsis = u"...";
// With DT_CALCRECT an open right or bottom edge (0) stands for this.
constexpr int kOpenEdge = 32767;

class Layouter {
  public:
    Layouter(std::u16string_view text, unsigned format, gui::TRect& rect, TGtDrawTextParams* params,
             TGtTextMeasurer& measurer, TGtTextLayout& out)
        : text_(text), format_(format), rect_(rect), params_(params), m_(measurer), out_(out) {}

    int Run();

  private:
    bool Has(unsigned flag) const { return (format_ & flag) != 0; }
    // The width of a run measured on its own (into the prefix widths'
    // storage), and of a run of at most four units (elsewhere).
    int RunWidth(std::u16string_view s);
    int ShortWidth(std::u16string_view s);
    // Width of line_[0..k) from the measured prefix widths.
    int Prefix(size_t k) const { return k == 0 ? 0 : out_.Ends[k - 1] - metrics_.Overhang; }
    int Width(size_t a, size_t b) const { return Prefix(b) - Prefix(a); }
    void BuildLogicalLine();
    int TabSpaces(int widthSinceTab);
    // Emits line_[s..e); false when no further line fits below it.
    void EmitLine(size_t s, size_t e, bool last);
    bool NextLineFits() const { return noClip_ || y_ + 2 * lineHeight_ <= rect_.Bottom; }

    std::u16string_view text_;
    unsigned format_;
    gui::TRect& rect_;
    TGtDrawTextParams* params_;
    TGtTextMeasurer& m_;
    TGtTextLayout& out_;

    TGtTextMetrics metrics_;
    bool single_ = false;
    bool calc_ = false;
    bool noClip_ = false;
    int lineHeight_ = 0;
    int leftMargin_ = 0;
    int rightMargin_ = 0;
    int avail_ = 0;
    int tabLength_ = 8;
    int tabWidth_ = -1;
    int spaceWidth_ = -1;
    int ellipsisWidth_ = -1;
    int y_ = 0;
    int widest_ = 0;
    size_t pos_ = 0;
    // The logical line being laid out (line_ aliases out_.Line).
    std::u16string& line_ = out_.Line;
    size_t prefix_ = std::u16string::npos;
};

int Layouter::RunWidth(std::u16string_view s) {
    if (s.empty()) return 0;
    if (out_.Ends.size() < s.size()) out_.Ends.resize(s.size());
    m_.MeasureRun(s, out_.Ends.data());
    return out_.Ends[s.size() - 1] - metrics_.Overhang;
}

int Layouter::ShortWidth(std::u16string_view s) {
    int ends[4];
    m_.MeasureRun(s, ends);
    return ends[s.size() - 1] - metrics_.Overhang;
}

int Layouter::TabSpaces(int widthSinceTab) {
    if (tabWidth_ < 0) {
        tabWidth_ = ShortWidth(u"o") * tabLength_;
        spaceWidth_ = ShortWidth(u" ");
    }
    if (tabWidth_ <= 0 || spaceWidth_ <= 0) return 0;
    // Up to the next tab stop after the text since the previous one.
    const int room = tabWidth_ - widthSinceTab % tabWidth_;
    return room / spaceWidth_;
}

void Layouter::BuildLogicalLine() {
    line_.clear();
    prefix_ = std::u16string::npos;
    const bool prefixes = !Has(kDtNoPrefix);
    const bool tabs = Has(kDtExpandTabs);
    size_t lastTab = 0;
    size_t i = pos_;
    const size_t n = text_.size();
    while (i < n) {
        const char16_t c = text_[i];
        if (!single_ && (c == u'\r' || c == u'\n')) {
            ++i;
            if (c == u'\r' && i < n && text_[i] == u'\n') ++i;
            break;
        }
        if (c == u'&' && prefixes) {
            if (i + 1 < n && text_[i + 1] == u'&') {
                line_ += u'&';
                i += 2;
            } else {
                prefix_ = line_.size();
                ++i;
            }
            continue;
        }
        if (c == u'\t' && tabs) {
            const int spaces = TabSpaces(RunWidth(std::u16string_view(line_).substr(lastTab)));
            line_.append(static_cast<size_t>(spaces), u' ');
            lastTab = line_.size();
            ++i;
            continue;
        }
        line_ += c;
        ++i;
    }
    if (params_ != nullptr) params_->LengthDrawn += static_cast<int>(i - pos_);
    pos_ = i;
    // Every prefix width of the line, in one measurement.
    RunWidth(line_);
}

void Layouter::EmitLine(size_t s, size_t e, bool last) {
    TGtTextLine line;
    line.Start = out_.Text.size();
    int width = Width(s, e);
    size_t shown = e;  // line_[s..shown) is shown before "..."
    size_t tail = e;   // line_[tail..e) is shown after "..."
    bool ellipsis = false;
    if (!calc_ && width > avail_ && e > s) {
        const bool path = single_ && Has(kDtPathEllipsis);
        const bool end = single_ ? Has(kDtEndEllipsis) || Has(kDtWordEllipsis)
                                 : Has(kDtWordEllipsis) || (last && Has(kDtEndEllipsis));
        if (path || end) {
            ellipsis = true;
            if (ellipsisWidth_ < 0) ellipsisWidth_ = ShortWidth(kEllipsis);
            if (path) {
                const size_t sep = line_.find_last_of(u"\\/", e - 1);
                if (sep != std::u16string::npos && sep > s) tail = sep;
            }
            const int tailWidth = Width(tail, e);
            // The longest head that fits with "..." and the tail; at least
            // one character stays.
            shown = s + 1;
            for (size_t k = tail; k > s + 1; --k) {
                if (Width(s, k) + ellipsisWidth_ + tailWidth <= avail_) {
                    shown = k;
                    break;
                }
            }
            width = Width(s, shown) + ellipsisWidth_ + tailWidth;
        }
    }
    out_.Text.append(line_, s, shown - s);
    if (ellipsis) {
        out_.Text.append(kEllipsis);
        out_.Text.append(line_, tail, e - tail);
        if (Has(kDtModifyString) && !out_.Modified) {
            out_.Modified = true;
            out_.ModifiedText.assign(out_.Text, line.Start, std::u16string::npos);
        }
    }
    line.Length = out_.Text.size() - line.Start;
    if (prefix_ != std::u16string::npos && prefix_ >= s && prefix_ < e) {
        if (prefix_ < shown) {
            line.PrefixX = Width(s, prefix_);
            line.PrefixWidth = Width(prefix_, prefix_ + 1);
        } else if (ellipsis && prefix_ >= tail) {
            line.PrefixX = Width(s, shown) + ellipsisWidth_ + Width(tail, prefix_);
            line.PrefixWidth = Width(prefix_, prefix_ + 1);
        }
    }

    if (Has(kDtCenter))
        line.X = std::max(rect_.Left, (rect_.Left + rect_.Right - width) / 2);
    else if (Has(kDtRight))
        line.X = std::max(rect_.Left, rect_.Right - width);
    else
        line.X = rect_.Left + leftMargin_;
    line.Y = y_;
    if (single_ && Has(kDtVCenter))
        line.Y = (rect_.Bottom - rect_.Top) / 2 + rect_.Top - lineHeight_ / 2;
    else if (single_ && Has(kDtBottom))
        line.Y = rect_.Bottom - lineHeight_;
    out_.Lines.push_back(line);
    widest_ = std::max(widest_, width);
    y_ = line.Y + lineHeight_;
}

int Layouter::Run() {
    out_.Text.clear();
    out_.Lines.clear();
    out_.Modified = false;
    out_.ModifiedText.clear();
    if (Has(kDtTabStop)) {
        // Without extra parameters the high byte of the format is the tab
        // length, not flags.
        if (params_ != nullptr) {
            tabLength_ = params_->TabLength;
        } else {
            tabLength_ = static_cast<int>((format_ >> 8) & 0xFF);
            format_ &= ~0xFF00u;
        }
    }
    calc_ = Has(kDtCalcRect);
    if (text_.empty()) {
        if (calc_) {
            rect_.Right = rect_.Left;
            rect_.Bottom = rect_.Top;
        }
        return 0;
    }
    if (calc_) {
        if (rect_.Right == 0) rect_.Right = kOpenEdge;
        if (rect_.Bottom == 0) rect_.Bottom = kOpenEdge;
    }
    single_ = Has(kDtSingleLine);
    noClip_ = calc_ || Has(kDtNoClip);
    metrics_ = m_.Metrics();
    out_.Metrics = metrics_;
    lineHeight_ = metrics_.Height + (Has(kDtExternalLeading) ? metrics_.ExternalLeading : 0);
    if (params_ != nullptr) {
        leftMargin_ = params_->LeftMargin * metrics_.AveCharWidth;
        rightMargin_ = params_->RightMargin * metrics_.AveCharWidth;
    }
    avail_ = rect_.Right - rect_.Left - leftMargin_ - rightMargin_;
    y_ = rect_.Top;
    const bool wordBreak = Has(kDtWordBreak) && !single_;

    bool first = true;
    while (pos_ < text_.size()) {
        if (!first && !noClip_ && y_ + lineHeight_ > rect_.Bottom) break;
        BuildLogicalLine();
        size_t s = 0;
        const size_t n = line_.size();
        do {
            if (!first && !noClip_ && y_ + lineHeight_ > rect_.Bottom) break;
            first = false;
            size_t e = n, next = n;
            if (wordBreak) {
                // The first character that takes the line past the width.
                size_t k = s;
                while (k < n && Width(s, k + 1) <= avail_) ++k;
                if (k < n) {
                    size_t space = k;
                    while (space > s && line_[space] != u' ') --space;
                    if (space > s) {
                        e = space;
                        next = space + 1;
                    } else {
                        e = next = k + 1;
                    }
                }
            }
            const bool more = next < n || pos_ < text_.size();
            EmitLine(s, e, !more || !NextLineFits());
            s = next;
        } while (s < n);
    }
    if (calc_) {
        rect_.Right = rect_.Left + widest_ + leftMargin_ + rightMargin_;
        rect_.Bottom = y_;
    }
    return y_ - rect_.Top;
}

}  // namespace

int LayoutTextWide(std::u16string_view text, unsigned format, gui::TRect& rect,
                   TGtDrawTextParams* params, TGtTextMeasurer& measurer, TGtTextLayout& layout) {
    Layouter layouter(text, format, rect, params, measurer, layout);
    return layouter.Run();
}

}  // namespace controls::tree
