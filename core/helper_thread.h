#pragma once

// Frees what it is handed on a thread of its own: freeing a large project
// takes long, and the window need not wait. The threads are joined by
// WaitForAll, by a later Free once they are done, and at the latest when the
// program ends.

#include <memory>

namespace core {

class THelperThread {
  public:
    // Starts a thread that frees `object`.
    template <class T>
    static void Free(std::unique_ptr<T> object) {
        if (object) Start(std::make_unique<Holder<T>>(std::move(object)));
    }
    // Waits until every object handed over so far is freed and its thread
    // has ended.
    static void WaitForAll();

  private:
    struct Disposable {
        virtual ~Disposable() = default;
    };
    template <class T>
    struct Holder : Disposable {
        explicit Holder(std::unique_ptr<T> o) : object(std::move(o)) {}
        std::unique_ptr<T> object;
    };
    static void Start(std::unique_ptr<Disposable> object);
};

}  // namespace core
