#include "tools/check/message_font.h"

std::unique_ptr<IMessageFont> MachineMessageFont() { return std::make_unique<CFixedMessageFont>(); }
