#include "sceneio/evaluate.h"

#include "sceneio/number_text.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace
{

enum token_kind : uint8_t { Value = 0, Open = 1, Close = 2, Multiply = 3, Divide = 4, Plus = 5, Minus = 6 };

struct token_t {
    token_kind kind;
    float value;
};

// The operator characters, in the order of their token kinds from Open on.
const char operatorChars[] = "()*/+-";

// Splits the expression into tokens up to its terminator or the first
// invalid character; returns the position where scanning stopped.
const char* scan(const char* p, std::vector<token_t>& tokens, std::ostream& diag)
{
    for (;;) {
        const char c = *p;
        if (c == '\0' || c == '\r' || c == ',')
            return p;
        if (c >= '0' && c <= '9') {
            const char* after = nullptr;
            tokens.push_back({Value, static_cast<float>(readDouble(p, &after))});
            p = after;
        } else if (const char* op = std::strchr(operatorChars, c)) {
            tokens.push_back({static_cast<token_kind>(Open + (op - operatorChars)), 0.0f});
            ++p;
        } else if (c == ' ' || c == '\t') {
            ++p;
        } else {
            diag << static_cast<int>(static_cast<signed char>(c)) << " \n";
            diag << c << ": warning: invalid char detect.\n";
            return p;
        }
    }
}

// How a finished group hands its value to the enclosing one.
enum group_use : uint8_t { TopLevel, AsTerm, AsProduct, AsQuotient };

// One parenthesis level. The terms of a level are summed from the first, and
// only the newest term can still change (by "*" or "/"), so the level keeps a
// running sum of the settled terms plus the newest term itself.
struct group_t {
    float sum = 0.0f;
    float lastValue = 0.0f;
    token_kind lastKind = Value;
    bool hasLast = false;
    bool summed = false;         // a term is in `sum`
    int8_t pendingSign = 0;      // +1 / -1 while "+" or "-" waits for its value
    token_kind pendingOp = Plus; // the newest of those operators, for the message
    group_use use = TopLevel;
    bool negate = false; // the operand was written as "-(...)"

    void settleLast()
    {
        if (!hasLast)
            return;
        if (lastKind == Value) {
            // The first term is taken as it is, negated by a "-" before it:
            // "-0" is negative zero, as the value written for one.
            if (!summed)
                sum = pendingSign < 0 ? -lastValue : lastValue;
            else if (pendingSign < 0)
                sum -= lastValue;
            else
                sum += lastValue;
            summed = true;
            pendingSign = 0;
        } else {
            // A sign after a sign: "-" negates what follows, "+" keeps it.
            const int8_t s = lastKind == Minus ? -1 : 1;
            pendingSign = pendingSign == 0 ? s : static_cast<int8_t>(pendingSign * s);
            pendingOp = lastKind;
        }
        hasLast = false;
    }

    void append(token_kind kind, float value)
    {
        settleLast();
        lastKind = kind;
        lastValue = value;
        hasLast = true;
    }

    // Once a term was appended the newest one is always held in `last`.
    bool hasTerms() const { return hasLast; }

    float finish(std::ostream& diag)
    {
        settleLast();
        if (pendingSign != 0)
            diag << (pendingOp == Minus ? "last '-' detect.\n" : "last '+' detect.\n");
        return sum;
    }
};

void applyOperand(group_t& g, token_kind op, float operand)
{
    // The operator binds to the newest term only, which gives "*" and "/"
    // precedence over "+" and "-".
    if (op == Multiply)
        g.lastValue *= operand;
    else
        g.lastValue /= operand;
}

// Token storage kept for the next call; more is freed.
const size_t keptTokens = 4096;

} // namespace

float evaluate(const char* text, const char** end, std::ostream& diag)
{
    // Reused between calls: a scene file evaluates hundreds of thousands of
    // short expressions. Storage left by a huge one is given back below.
    thread_local std::vector<token_t> tokens;
    thread_local std::vector<group_t> stack;
    tokens.clear();
    stack.assign(1, group_t());
    const char* stop = scan(text, tokens, diag);
    if (end)
        *end = stop;

    const size_t n = tokens.size();
    // Nested levels live on this heap stack, never on the call stack.
    size_t i = 0;
    for (;;) {
        group_t& g = stack.back();
        size_t stopAt = n; // where the current level stops; n is "the end"
        bool finished = false;
        if (i >= n) {
            finished = true;
        } else {
            const token_t& t = tokens[i];
            switch (t.kind) {
            case Value:
            case Plus:
            case Minus:
                g.append(t.kind, t.value);
                ++i;
                break;
            case Open: {
                group_t inner;
                inner.use = AsTerm;
                stack.push_back(inner);
                ++i;
                break;
            }
            case Close:
                stopAt = i;
                finished = true;
                break;
            case Multiply:
            case Divide: {
                const bool mul = t.kind == Multiply;
                if (!g.hasTerms()) {
                    diag << (mul ? "beginning '*' detect.\n" : "beginning '/' detect.\n");
                    stopAt = i;
                    finished = true;
                    break;
                }
                if (i + 1 >= n) {
                    diag << (mul ? "last '*' detect.\n" : "last '/' detect.\n");
                    finished = true;
                    break;
                }
                const token_t& r = tokens[i + 1];
                if (r.kind == Value) {
                    applyOperand(g, t.kind, r.value);
                    i += 2;
                } else if (r.kind == Open) {
                    group_t inner;
                    inner.use = mul ? AsProduct : AsQuotient;
                    stack.push_back(inner);
                    i += 2;
                } else if (r.kind == Minus) {
                    if (i + 2 >= n) {
                        diag << "last '-' detect.\n";
                        finished = true;
                        break;
                    }
                    const token_t& r2 = tokens[i + 2];
                    if (r2.kind == Value) {
                        applyOperand(g, t.kind, -r2.value);
                        i += 3;
                    } else if (r2.kind == Open) {
                        group_t inner;
                        inner.use = mul ? AsProduct : AsQuotient;
                        inner.negate = true;
                        stack.push_back(inner);
                        i += 3;
                    } else {
                        diag << "-: right operand is not a value.\n";
                        stopAt = i + 2;
                        finished = true;
                    }
                } else {
                    diag << (mul ? "*: right operand is not a value.\n" : "/: right operand is not a value.\n");
                    stopAt = i + 1;
                    finished = true;
                }
                break;
            }
            }
        }
        if (!finished)
            continue;

        // `g` may not be touched after the pop below.
        const float value = g.finish(diag);
        const group_use use = g.use;
        const bool negate = g.negate;
        stack.pop_back();
        if (use == TopLevel) {
            if (tokens.capacity() > keptTokens) {
                std::vector<token_t>().swap(tokens);
                std::vector<group_t>().swap(stack);
            }
            return value;
        }
        // The enclosing level goes on after the token at which this one
        // stopped (normally its ")"); a level that ran out of tokens makes
        // the enclosing one run out too, so the end closes every group.
        i = stopAt < n ? stopAt + 1 : n;
        group_t& outer = stack.back();
        if (use == AsTerm) {
            outer.append(Value, value);
        } else {
            applyOperand(outer, use == AsProduct ? Multiply : Divide, negate ? -value : value);
        }
    }
}
