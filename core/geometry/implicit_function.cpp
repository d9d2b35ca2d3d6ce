// Compiling function text into a postfix program, and running the program.
// The parser is recursive only where the text nests (parentheses and call
// arguments), and checks the depth before every descent; operators within one
// level go through an explicit operator stack, so a run of signs or powers
// costs no C++ stack.
#include "geometry/implicit_function.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <numbers>
#include <system_error>

namespace kx::geometry {
namespace {

using Op = FunctionOp;

// Values each op pops, a row an op in enum order.
struct OpRow {
    Op op;
    uint8_t arity;
};
constexpr OpRow kOps[] = {
    {Op::Constant, 0}, {Op::X, 0}, {Op::Y, 0}, {Op::Z, 0},
    {Op::Negate, 1}, {Op::Add, 2}, {Op::Subtract, 2}, {Op::Multiply, 2}, {Op::Divide, 2},
    {Op::Power, 2}, {Op::Less, 2}, {Op::LessEqual, 2}, {Op::Greater, 2}, {Op::GreaterEqual, 2},
    {Op::Equal, 2}, {Op::NotEqual, 2}, {Op::And, 2}, {Op::Or, 2},
    {Op::Sin, 1}, {Op::Cos, 1}, {Op::Tan, 1}, {Op::Asin, 1}, {Op::Acos, 1}, {Op::Atan, 1},
    {Op::Atan2, 2}, {Op::Sinh, 1}, {Op::Cosh, 1}, {Op::Tanh, 1}, {Op::Sqrt, 1}, {Op::Abs, 1},
    {Op::Pow, 2}, {Op::Exp, 1}, {Op::Log10, 1}, {Op::Ln, 1}, {Op::Floor, 1}, {Op::Ceil, 1},
    {Op::Mod, 2}, {Op::Min, 2}, {Op::Max, 2}, {Op::Select3, 3}, {Op::Select4, 4},
    {Op::Sphere, 4}, {Op::Torus, 5}, {Op::RoundedBox, 7}, {Op::Superellipsoid, 5},
};
static_assert(std::size(kOps) == static_cast<size_t>(Op::Count));
constexpr bool opsInEnumOrder() {
    for (size_t i = 0; i < std::size(kOps); ++i)
        if (kOps[i].op != static_cast<Op>(i)) return false;
    return true;
}
static_assert(opsInEnumOrder(), "kOps must list the ops in enum order");
// The widest op; the constant folder keeps its arguments in an array this long.
constexpr unsigned kMostArguments = [] {
    unsigned most = 0;
    for (const OpRow& row : kOps) most = row.arity > most ? row.arity : most;
    return most;
}();

unsigned arity(Op op) { return kOps[static_cast<size_t>(op)].arity; }

// The names a call may use. Min and max take any count from two and are
// compiled as a chain of two-value ops; select with four arguments is Select4.
struct FunctionRow {
    std::string_view name;
    Op op;
    unsigned fewestArguments;
    unsigned mostArguments;  // 0: no limit
};
constexpr FunctionRow kFunctions[] = {
    {"sin", Op::Sin, 1, 1},       {"cos", Op::Cos, 1, 1},
    {"tan", Op::Tan, 1, 1},       {"asin", Op::Asin, 1, 1},
    {"acos", Op::Acos, 1, 1},     {"atan", Op::Atan, 1, 1},
    {"atan2", Op::Atan2, 2, 2},   {"sinh", Op::Sinh, 1, 1},
    {"cosh", Op::Cosh, 1, 1},     {"tanh", Op::Tanh, 1, 1},
    {"sqrt", Op::Sqrt, 1, 1},     {"abs", Op::Abs, 1, 1},
    {"pow", Op::Pow, 2, 2},       {"exp", Op::Exp, 1, 1},
    {"log", Op::Log10, 1, 1},     {"ln", Op::Ln, 1, 1},
    {"floor", Op::Floor, 1, 1},   {"ceil", Op::Ceil, 1, 1},
    {"mod", Op::Mod, 2, 2},       {"min", Op::Min, 2, 0},
    {"max", Op::Max, 2, 0},       {"select", Op::Select3, 3, 4},
    {"f_sphere", Op::Sphere, 4, 4},
    {"f_torus", Op::Torus, 5, 5},
    {"f_rounded_box", Op::RoundedBox, 7, 7},
    {"f_superellipsoid", Op::Superellipsoid, 5, 5},
};

// Names that stand for a value.
struct ValueRow {
    std::string_view name;
    Op op;
    double value;
};
constexpr ValueRow kValues[] = {
    {"x", Op::X, 0}, {"y", Op::Y, 0}, {"z", Op::Z, 0}, {"u", Op::X, 0}, {"v", Op::Y, 0},
    {"pi", Op::Constant, std::numbers::pi},
};

// The binary operators, two-character spellings first so they win.
struct BinaryRow {
    std::string_view text;
    Op op;
    int precedence;
    bool rightAssociative;
};
constexpr int kSignPrecedence = 6;
constexpr BinaryRow kBinary[] = {
    {"<=", Op::LessEqual, 3, false}, {">=", Op::GreaterEqual, 3, false},
    {"!=", Op::NotEqual, 3, false},  {"|", Op::Or, 1, false},
    {"&", Op::And, 2, false},        {"<", Op::Less, 3, false},
    {">", Op::Greater, 3, false},    {"=", Op::Equal, 3, false},
    {"+", Op::Add, 4, false},        {"-", Op::Subtract, 4, false},
    {"*", Op::Multiply, 5, false},   {"/", Op::Divide, 5, false},
    {"^", Op::Power, 7, true},
};

bool isLibraryName(std::string_view name) { return name.starts_with("f_"); }

double truth(bool b) { return b ? 1.0 : 0.0; }

double roundedBox(const double* a) {
    const double half[3] = {std::fabs(a[4]), std::fabs(a[5]), std::fabs(a[6])};
    const double smallest = std::fmin(half[0], std::fmin(half[1], half[2]));
    // A radius past the least half-size would turn the box inside out.
    const double radius = std::fmin(a[3] > 0 ? a[3] : 0.0, smallest);
    double beyond = 0;
    double deepest = -std::numeric_limits<double>::infinity();
    for (int i = 0; i < 3; ++i) {
        const double q = std::fabs(a[i]) - (half[i] - radius);
        if (q > 0) beyond += q * q;
        deepest = std::fmax(deepest, q);
    }
    return std::sqrt(beyond) + std::fmin(deepest, 0.0) - radius;
}

double superellipsoid(const double* a) {
    const double e = a[3];
    const double n = a[4];
    const double across = std::pow(std::fabs(a[0]), 2 / e) + std::pow(std::fabs(a[1]), 2 / e);
    return std::pow(across, e / n) + std::pow(std::fabs(a[2]), 2 / n) - 1;
}

// op applied to its arguments; leaves never come here.
double apply(Op op, const double* a) {
    switch (op) {
    case Op::Negate: return -a[0];
    case Op::Add: return a[0] + a[1];
    case Op::Subtract: return a[0] - a[1];
    case Op::Multiply: return a[0] * a[1];
    case Op::Divide: return a[0] / a[1];
    case Op::Power:
    case Op::Pow: return std::pow(a[0], a[1]);
    case Op::Less: return truth(a[0] < a[1]);
    case Op::LessEqual: return truth(a[0] <= a[1]);
    case Op::Greater: return truth(a[0] > a[1]);
    case Op::GreaterEqual: return truth(a[0] >= a[1]);
    case Op::Equal: return truth(a[0] == a[1]);
    case Op::NotEqual: return truth(a[0] != a[1]);
    case Op::And: return truth(a[0] != 0 && a[1] != 0);
    case Op::Or: return truth(a[0] != 0 || a[1] != 0);
    case Op::Sin: return std::sin(a[0]);
    case Op::Cos: return std::cos(a[0]);
    case Op::Tan: return std::tan(a[0]);
    case Op::Asin: return std::asin(a[0]);
    case Op::Acos: return std::acos(a[0]);
    case Op::Atan: return std::atan(a[0]);
    case Op::Atan2: return std::atan2(a[0], a[1]);
    case Op::Sinh: return std::sinh(a[0]);
    case Op::Cosh: return std::cosh(a[0]);
    case Op::Tanh: return std::tanh(a[0]);
    case Op::Sqrt: return std::sqrt(a[0]);
    case Op::Abs: return std::fabs(a[0]);
    case Op::Exp: return std::exp(a[0]);
    case Op::Log10: return std::log10(a[0]);
    case Op::Ln: return std::log(a[0]);
    case Op::Floor: return std::floor(a[0]);
    case Op::Ceil: return std::ceil(a[0]);
    case Op::Mod: return std::fmod(a[0], a[1]);
    case Op::Min: return a[1] < a[0] ? a[1] : a[0];
    case Op::Max: return a[1] > a[0] ? a[1] : a[0];
    case Op::Select3: return a[0] < 0 ? a[1] : a[2];
    case Op::Select4: return a[0] < 0 ? a[1] : a[0] == 0 ? a[2] : a[3];
    case Op::Sphere: return std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]) - a[3];
    case Op::Torus: {
        const double ring = std::sqrt(a[0] * a[0] + a[2] * a[2]) - a[3];
        return std::sqrt(ring * ring + a[1] * a[1]) - a[4];
    }
    case Op::RoundedBox: return roundedBox(a);
    case Op::Superellipsoid: return superellipsoid(a);
    case Op::Constant:
    case Op::X:
    case Op::Y:
    case Op::Z:
    case Op::Count: break;
    }
    return std::numeric_limits<double>::quiet_NaN();
}

// A piece of the text as a message shows it: short, on one line, with bytes
// that are not printable written as \xNN.
std::string shown(std::string_view text) {
    constexpr size_t kShownBytes = 24;
    std::string out;
    for (size_t i = 0; i < text.size() && i < kShownBytes; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c < 0x7f) {
            out += static_cast<char>(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    if (text.size() > kShownBytes) out += "...";
    return out;
}

enum class TokenKind { Number, Name, Binary, Open, Close, Comma, End, Stray, BadNumber };

struct Token {
    TokenKind kind = TokenKind::End;
    std::string_view text;
    double number = 0;
    const BinaryRow* binary = nullptr;
};

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isNameStart(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
bool isNameChar(char c) { return isNameStart(c) || isDigit(c); }

// One token of lookahead over the text.
class Lexer {
public:
    explicit Lexer(std::string_view text) : text_(text) { current_ = scan(); }
    const Token& peek() const { return current_; }
    void advance() { current_ = scan(); }

private:
    Token scan() {
        while (at_ < text_.size() && isBlank(text_[at_])) ++at_;
        if (at_ == text_.size()) return Token{};
        const size_t start = at_;
        const char c = text_[at_];
        if (isDigit(c) || (c == '.' && at_ + 1 < text_.size() && isDigit(text_[at_ + 1])))
            return number(start);
        if (isNameStart(c)) {
            while (at_ < text_.size() && isNameChar(text_[at_])) ++at_;
            return Token{TokenKind::Name, text_.substr(start, at_ - start)};
        }
        ++at_;
        if (c == '(') return Token{TokenKind::Open, text_.substr(start, 1)};
        if (c == ')') return Token{TokenKind::Close, text_.substr(start, 1)};
        if (c == ',') return Token{TokenKind::Comma, text_.substr(start, 1)};
        --at_;
        for (const BinaryRow& row : kBinary) {
            if (text_.substr(at_).starts_with(row.text)) {
                at_ += row.text.size();
                return Token{TokenKind::Binary, row.text, 0, &row};
            }
        }
        ++at_;
        return Token{TokenKind::Stray, text_.substr(start, 1)};
    }

    // digits [. digits] [e [sign] digits], or . digits ...; an e without
    // digits after it is left for the next token.
    Token number(size_t start) {
        while (at_ < text_.size() && isDigit(text_[at_])) ++at_;
        if (at_ < text_.size() && text_[at_] == '.') {
            ++at_;
            while (at_ < text_.size() && isDigit(text_[at_])) ++at_;
        }
        if (at_ < text_.size() && (text_[at_] == 'e' || text_[at_] == 'E')) {
            size_t exponent = at_ + 1;
            if (exponent < text_.size() && (text_[exponent] == '+' || text_[exponent] == '-')) ++exponent;
            if (exponent < text_.size() && isDigit(text_[exponent])) {
                at_ = exponent;
                while (at_ < text_.size() && isDigit(text_[at_])) ++at_;
            }
        }
        Token t{TokenKind::Number, text_.substr(start, at_ - start)};
        const auto [end, ec] = std::from_chars(t.text.data(), t.text.data() + t.text.size(), t.number);
        if (ec == std::errc::result_out_of_range) {
            // Too small to hold is as good as zero; too large has no meaning here.
            const double rounded = std::strtod(std::string(t.text).c_str(), nullptr);
            if (std::isinf(rounded)) t.kind = TokenKind::BadNumber;
            t.number = std::isinf(rounded) ? 0 : rounded;
        } else if (ec != std::errc{} || end != t.text.data() + t.text.size()) {
            t.kind = TokenKind::BadNumber;
        }
        return t;
    }

    std::string_view text_;
    size_t at_ = 0;
    Token current_;
};

// Builds the postfix program of a text; the first failure wins and stops it.
class FunctionParser {
public:
    explicit FunctionParser(std::string_view text) : lexer_(text) {}

    [[nodiscard]] bool parse() {
        if (lexer_.peek().kind == TokenKind::End) return fail("empty function");
        if (!expression(0)) return false;
        const Token& t = lexer_.peek();
        if (t.kind == TokenKind::End) return true;
        if (t.kind == TokenKind::Close) return fail("unbalanced parentheses");
        return unexpected(t);
    }

    std::vector<FunctionInstruction> program;
    std::string error;
    bool usesLibrary = false;

private:
    struct Pending {
        Op op;
        int precedence;
    };

    // Operands joined by binary operators, up to a token that is not one.
    bool expression(unsigned depth) {
        std::vector<Pending> pending;
        for (;;) {
            for (const Token* t = &lexer_.peek(); t->kind == TokenKind::Binary; t = &lexer_.peek()) {
                if (t->binary->op == Op::Subtract)
                    pending.push_back({Op::Negate, kSignPrecedence});
                else if (t->binary->op != Op::Add)
                    return unexpected(*t);
                lexer_.advance();
            }
            if (!operand(depth)) return false;
            const Token& t = lexer_.peek();
            if (t.kind != TokenKind::Binary) break;
            const BinaryRow& row = *t.binary;
            while (!pending.empty() && (pending.back().precedence > row.precedence ||
                                        (pending.back().precedence == row.precedence && !row.rightAssociative))) {
                if (!emit(pending.back().op)) return false;
                pending.pop_back();
            }
            pending.push_back({row.op, row.precedence});
            lexer_.advance();
        }
        for (; !pending.empty(); pending.pop_back())
            if (!emit(pending.back().op)) return false;
        return true;
    }

    bool operand(unsigned depth) {
        const Token t = lexer_.peek();
        switch (t.kind) {
        case TokenKind::Number:
            lexer_.advance();
            return emit(Op::Constant, t.number);
        case TokenKind::Open:
            if (depth >= ImplicitFunction::kMaxNesting) return fail("function nested too deeply");
            lexer_.advance();
            return expression(depth + 1) && close();
        case TokenKind::Name:
            lexer_.advance();
            return name(t.text, depth);
        case TokenKind::Close:
            // Only a parenthesis opened at this level or above could be closed here.
            if (depth == 0) return fail("unbalanced parentheses");
            return fail("expected a value before ')'");
        case TokenKind::End: return fail("expected a value at the end");
        case TokenKind::BadNumber: return fail("number out of range " + shown(t.text));
        case TokenKind::Stray:
        case TokenKind::Binary:
        case TokenKind::Comma: break;
        }
        return unexpected(t);
    }

    bool name(std::string_view text, unsigned depth) {
        const bool called = lexer_.peek().kind == TokenKind::Open;
        if (!called) {
            for (const ValueRow& row : kValues)
                if (row.name == text) return emit(row.op, row.value);
        }
        for (const FunctionRow& row : kFunctions) {
            if (row.name != text) continue;
            if (!called) return fail("expected ( after " + std::string(text));
            return call(row, depth);
        }
        return fail("unknown function " + shown(text));
    }

    bool call(const FunctionRow& f, unsigned depth) {
        if (depth >= ImplicitFunction::kMaxNesting) return fail("function nested too deeply");
        lexer_.advance();  // the '('
        const bool chained = f.mostArguments == 0;
        unsigned count = 0;
        if (lexer_.peek().kind == TokenKind::Close) {
            lexer_.advance();
        } else {
            for (;;) {
                if (!chained && count == f.mostArguments) return argumentCount(f);
                if (!expression(depth + 1)) return false;
                ++count;
                if (chained && count >= 2 && !emit(f.op)) return false;
                if (lexer_.peek().kind != TokenKind::Comma) break;
                lexer_.advance();
            }
            if (!close()) return false;
        }
        if (count < f.fewestArguments) return argumentCount(f);
        if (isLibraryName(f.name)) usesLibrary = true;
        if (chained) return true;
        // Select4 follows Select3: the longer form is the next op.
        const Op op = count == arity(f.op) ? f.op : static_cast<Op>(static_cast<unsigned>(f.op) + 1);
        return emit(op);
    }

    bool close() {
        const Token& t = lexer_.peek();
        if (t.kind == TokenKind::Close) {
            lexer_.advance();
            return true;
        }
        if (t.kind == TokenKind::End) return fail("unbalanced parentheses");
        return unexpected(t);
    }

    // Appends op; an op whose arguments are all constants is worked out now,
    // so constant parts of a text cost nothing per sample.
    bool emit(Op op, double value = 0) {
        const unsigned pops = arity(op);
        if (pops > 0 && foldable(pops)) {
            double args[kMostArguments];
            const size_t first = program.size() - pops;
            for (unsigned i = 0; i < pops; ++i) args[i] = program[first + i].value;
            program.resize(first);
            stackDepth_ -= pops;
            return emit(Op::Constant, apply(op, args));
        }
        if (program.size() >= ImplicitFunction::kMaxNodes) return fail("function too complex");
        program.push_back({op, value});
        stackDepth_ = stackDepth_ + 1 - pops;
        if (stackDepth_ > ImplicitFunction::kMaxStack) return fail("function too complex");
        return true;
    }

    // The last `pops` instructions are each a constant, and so are exactly the
    // arguments of the op about to be appended.
    bool foldable(unsigned pops) const {
        if (program.size() < pops) return false;
        for (size_t i = program.size() - pops; i < program.size(); ++i)
            if (program[i].op != Op::Constant) return false;
        return true;
    }

    bool argumentCount(const FunctionRow& f) {
        std::string message = std::string(f.name) + " takes " + std::to_string(f.fewestArguments);
        if (f.mostArguments == 0)
            message += " or more arguments";
        else if (f.mostArguments != f.fewestArguments)
            message += " or " + std::to_string(f.mostArguments) + " arguments";
        else
            message += f.fewestArguments == 1 ? " argument" : " arguments";
        return fail(message);
    }

    bool unexpected(const Token& t) {
        const char* what = t.kind == TokenKind::Stray ? "unexpected character '" : "unexpected '";
        return fail(what + shown(t.text) + "'");
    }

    bool fail(std::string message) {
        if (error.empty()) error = std::move(message);
        return false;
    }

    Lexer lexer_;
    size_t stackDepth_ = 0;
};

}  // namespace

ImplicitFunction::ImplicitFunction() : error_("empty function") {}

ImplicitFunction ImplicitFunction::compile(std::string_view text) {
    ImplicitFunction f;
    if (text.size() > kMaxTextLength) {
        f.error_ = "function text too long";
        return f;
    }
    FunctionParser parser(text);
    f.valid_ = parser.parse();
    if (!f.valid_) {
        f.error_ = std::move(parser.error);
        return f;
    }
    f.error_.clear();
    f.program_ = std::move(parser.program);
    f.usesLibrary_ = parser.usesLibrary;
    return f;
}

double ImplicitFunction::operator()(double x, double y, double z) const {
    if (!valid_) return kOutside;
    // The compiler proved the program leaves one value and never holds more
    // than kMaxStack at once.
    std::array<double, kMaxStack> stack;
    size_t top = 0;
    for (const FunctionInstruction& in : program_) {
        switch (in.op) {
        case Op::Constant: stack[top++] = in.value; break;
        case Op::X: stack[top++] = x; break;
        case Op::Y: stack[top++] = y; break;
        case Op::Z: stack[top++] = z; break;
        // The common arithmetic stays in this loop rather than a call away.
        case Op::Add: --top; stack[top - 1] += stack[top]; break;
        case Op::Subtract: --top; stack[top - 1] -= stack[top]; break;
        case Op::Multiply: --top; stack[top - 1] *= stack[top]; break;
        case Op::Divide: --top; stack[top - 1] /= stack[top]; break;
        case Op::Negate: stack[top - 1] = -stack[top - 1]; break;
        default: {
            top -= arity(in.op);
            stack[top] = apply(in.op, &stack[top]);
            ++top;
        }
        }
    }
    const double v = stack[0];
    return std::isfinite(v) ? v : kOutside;
}

}  // namespace kx::geometry
