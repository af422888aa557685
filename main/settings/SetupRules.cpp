#include "main/settings/SetupRules.h"

namespace settings::setup {

namespace {

constexpr const char* kUrTechNoHangTag = "UR-TECH의 고리형Tag Type은 존재하지 않습니다.";
constexpr const char* kRfLinkNoHangTag = "RF링크의 고리형Tag Type은 지원되지 않습니다.";
constexpr const char* kUrTechUnsupported = "UR-TECH의 고리형Tag Type은 지원되지 않습니다.";

// clang-format off
constexpr ReflectiveRow kReflective[] = {
    {SX5T, Long, Samsung, LabelType, "480", "0060", "40", "010", nullptr, nullptr, nullptr},
    {SX5T, Long, Samsung, HangTag,   "480", "0200", "125", "012", nullptr, nullptr, nullptr},
    {SX5T, Long, Lusem,   LabelType, "480", "0060", "40", "010", nullptr, nullptr, nullptr},
    {SX5T, Long, Lusem,   HangTag,   "480", "0110", "125", "014", nullptr, nullptr, nullptr},
    {SX5T, Long, UrTech,  LabelType, "500", "0030", "40", "010", nullptr, nullptr, nullptr},
    {SX5T, Long, UrTech,  HangTag,   nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, kUrTechNoHangTag},
    {SX5T, Long, RfLink,  LabelType, "480", "0120", "40", "010", nullptr, nullptr, nullptr},
    {SX5T, Long, RfLink,  HangTag,   nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, kRfLinkNoHangTag},
    {SX5T, Short, Samsung, LabelType, "480", "0110", "40", "010", "+00", nullptr, nullptr},
    {SX5T, Short, Samsung, HangTag,   "480", "0070", "125", "012", "+00", nullptr, nullptr},
    {SX5T, Short, Lusem,   LabelType, "480", "0110", "40", "010", "+00", nullptr, nullptr},
    {SX5T, Short, Lusem,   HangTag,   "480", "0030", "125", "011", "+00", nullptr, nullptr},
    {SX5T, Short, UrTech,  LabelType, "500", "0110", "40", "010", "+00", nullptr, nullptr},
    {SX5T, Short, UrTech,  HangTag,   nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, kUrTechNoHangTag},
    {SX5T, Short, RfLink,  LabelType, "480", "0110", "40", "010", "+00", nullptr, nullptr},
    {SX5T, Short, RfLink,  HangTag,   "480", "0110", "140", "012", "+00", nullptr, nullptr},
    {SA4TP, Short, Samsung, LabelType, "480", "0030", "50", "012", "+03", "0", nullptr},
    {SA4TP, Short, Samsung, HangTag,   "480", "0030", "150", "013", "+03", "0", nullptr},
    {SA4TP, Short, Lusem,   LabelType, "480", "0000", "50", "012", "+00", "0", nullptr},
    {SA4TP, Short, Lusem,   HangTag,   "480", "0040", "150", "011", "+00", "0", nullptr},
    {SA4TP, Short, UrTech,  LabelType, "500", "0000", "50", "012", "+03", "0", nullptr},
    {SA4TP, Short, UrTech,  HangTag,   nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, kUrTechUnsupported},
    {SA4TP, Short, RfLink,  LabelType, "480", "0000", "50", "012", "+03", "0", nullptr},
    {SA4TP, Short, RfLink,  HangTag,   "480", "0000", "155", "013", "+03", "0", nullptr},
};
// clang-format on

} // namespace

const ReflectiveRow* reflectiveDefaults(const ListChoice& c) {
    for (const ReflectiveRow& row : kReflective)
        if (row.printer == c.printer && row.pitch == c.pitch && row.tag == c.tag && row.type == c.type)
            return &row;
    return nullptr;
}

QString combinationProblem(const ListChoice& c, int connOption) {
    if (c.tag == UrTech && c.type == HangTag)
        return QString::fromUtf8(kUrTechNoHangTag);
    if (c.type == HangTag && c.pitch == Long && c.tag == RfLink)
        return QString::fromUtf8(kRfLinkNoHangTag);
    if (c.printer == SX5T && connOption == ConnUsb)
        return QStringLiteral("B-SX5T는 USB모드를 지원하지 않습니다.");
    if (c.printer == SA4TP && connOption == ConnSerial)
        return QStringLiteral("B-SA4TP는 serial모드를 지원하지 않습니다.");
    return QString();
}

} // namespace settings::setup
