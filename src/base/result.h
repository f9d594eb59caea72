#pragma once

#include <string>
#include <utility>
#include <variant>

namespace duruz {

// Why something could not be done, in words for the user ("Permission denied").
struct Failure {
    std::string reason;
};

// A value, or the failure that kept it from being made. A function returns either
// one directly: `return value;` or `return Failure{"why"};`.
template <typename T> class [[nodiscard]] Result {
public:
    Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
    Result(Failure failure) : state_(std::in_place_index<1>, std::move(failure)) {}

    bool Ok() const { return state_.index() == 0; }
    // Only when Ok().
    const T& Value() const { return std::get<0>(state_); }
    // Only when Ok(): the value moved out, for one that cannot be copied.
    T TakeValue() { return std::move(std::get<0>(state_)); }
    // Empty when Ok().
    const std::string& Reason() const {
        static const std::string kNone;
        return Ok() ? kNone : std::get<1>(state_).reason;
    }

private:
    std::variant<T, Failure> state_;
};

// Success with nothing to hand back, or a failure with its reason.
template <> class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(Failure failure) : reason_(std::move(failure.reason)), failed_(true) {}

    bool Ok() const { return !failed_; }
    const std::string& Reason() const { return reason_; }

private:
    std::string reason_;
    bool failed_ = false;
};

using Status = Result<void>;

} // namespace duruz
