// Objects handed over as raw pointers belong to the receiver from the call
// on, also when the call refuses them: a refusal frees the object, so the
// usual `x.Add(new T(...))` never leaks.
#pragma once

#include <memory>
#include <stdexcept>

// Takes `object` over; throws std::invalid_argument (with `what`) for null.
template <typename T>
std::unique_ptr<T> Adopt(T* object, const char* what) {
    if (object == nullptr) {
        throw std::invalid_argument(what);
    }
    return std::unique_ptr<T>(object);
}
