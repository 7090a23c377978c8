#include <windows.h>

#include "resource/gdi.h"
#include "text/text.h"
#include "tools/check/message_font.h"

namespace {

// The game's own text object, built on the screen's device context, gives
// the font and the metrics the message window would have.
class CGdiMessageFont final : public IMessageFont {
public:
    CGdiMessageFont()
        : text_(new CText(nullptr, MessageWindowGeometry::TEXT_TOP, MessageWindowGeometry::TEXT_LEFT,
                          MessageWindowGeometry::TEXT_BOTTOM, MessageWindowGeometry::TEXT_RIGHT)) {}

    FontMetrics Metrics() const override { return text_->Layout().GetMetrics(); }

    int NameWidth(const std::wstring& name) const override {
        CWindowDC dc(nullptr);
        SIZE size{};
        if (dc) {
            CSelectGuard select(dc.get(), text_->GetFont());
            GetTextExtentPoint32W(dc.get(), name.c_str(), static_cast<int>(name.size()), &size);
        }
        return size.cx;
    }

private:
    RefPtr<CText> text_;
};

}  // namespace

std::unique_ptr<IMessageFont> MachineMessageFont() { return std::make_unique<CGdiMessageFont>(); }
