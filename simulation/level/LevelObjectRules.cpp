#include "simulation/level/LevelObjectRules.h"

#include <charconv>
#include <cstdint>
#include <limits>
#include <vector>

#include "core/StringUtils.h"
#include "core/files/CPTokenizer.h"

namespace {
bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// atoi in the "C" locale: blanks, an optional sign, digits; 0 without digits. A number beyond the
// int32 range gives its nearest end instead of an undefined result.
int32_t ReadIntLikeAtoi(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && IsSpace(static_cast<unsigned char>(text[i]))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    int64_t value = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > int64_t{std::numeric_limits<int32_t>::max()} + 1) break;
    }
    if (negative) value = -value;
    if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

// atof in the "C" locale, whatever the process locale: blanks, an optional '+', then the longest
// number; 0.0 when none.
double ReadDoubleLikeAtof(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && IsSpace(static_cast<unsigned char>(text[i]))) ++i;
    if (i < text.size() && text[i] == '+') ++i;
    double value = 0.0;
    const auto result = std::from_chars(text.data() + i, text.data() + text.size(), value);
    return result.ec == std::errc() || result.ec == std::errc::result_out_of_range ? value : 0.0;
}

std::vector<std::string> CommaTokens(const std::string& name) { return Tokenize(name, ",", true); }

// "chk", then the run of digits and '-', then one separator of any kind, then the model. A kind that
// ends inside the run has no separator and an empty model.
void ReadNumberedHidden(const std::string& kind, LevelObjectPlan& plan) {
    size_t i = 3;
    while (i < kind.size() && (IsDigit(kind[i]) || kind[i] == '-')) ++i;
    plan.numberText = kind.substr(3, i - 3);
    plan.number = ReadIntLikeAtoi(plan.numberText);
    const std::string model = i + 1 < kind.size() ? kind.substr(i + 1) : std::string();
    plan.description = model + ".rdf";
}
}  // namespace

std::string LevelObjectKindName(const std::string& name) {
    size_t end = name.size();
    while (end > 0 && IsDigit(name[end - 1])) --end;
    return name.substr(0, end);
}

LevelObjectPlan ClassifyLevelObject(const std::string& name, bool singleRace, bool timeAttack) {
    LevelObjectPlan plan;
    plan.kindName = LevelObjectKindName(name);
    std::string& kind = plan.kindName;
    if (kind == "player") {
        plan.kind = LevelObjectKind::PlayerStart;
        return plan;
    }
    if (StartsWith(kind, "enemy")) {
        plan.kind = timeAttack ? LevelObjectKind::Skipped : LevelObjectKind::EnemyStart;
        return plan;
    }
    if (StartsWith(kind, "che")) {
        if (singleRace) return plan;  // Skipped
        const std::vector<std::string> tokens = CommaTokens(name);
        kind = LevelObjectKindName(tokens.empty() ? std::string() : tokens[0]);
    }
    if (StartsWith(kind, "chk")) {
        plan.kind = LevelObjectKind::NumberedHidden;
        ReadNumberedHidden(kind, plan);
        return plan;
    }
    if (StartsWith(kind, "src")) {
        plan.kind = LevelObjectKind::Source;
        plan.sourceKey = kind.size() > 4 ? kind.substr(4) : std::string();
        return plan;
    }
    if (kind == "stolb_start_left" || kind == "stolb_start_right") {
        plan.kind = kind == "stolb_start_left" ? LevelObjectKind::StartPostLeft : LevelObjectKind::StartPostRight;
        return plan;
    }
    plan.kind = LevelObjectKind::Mesh;
    plan.description = kind + ".rdf";
    if (plan.description == "checkpoint.rdf" || plan.description == "checkpoint_a.rdf") {
        const std::vector<std::string> tokens = CommaTokens(name);
        const double allowance = tokens.size() > 1 ? ReadDoubleLikeAtof(tokens[1]) : 0.0;
        plan.checkpoint = true;
        plan.checkpointTime = static_cast<float>(allowance + 15.0);
    }
    return plan;
}

D3DXQUATERNION PlacedRotation(LevelObjectKind kind, const D3DXQUATERNION& stored) {
    if (kind == LevelObjectKind::Mesh || kind == LevelObjectKind::NumberedHidden)
        return D3DXQUATERNION(-stored.x, -stored.y, -stored.z, stored.w);
    return stored;
}
