#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <utility>

namespace lw {

namespace detail {

// The side of a signal that its connections reach; it lives as long as the signal or
// one of its emissions.
class SlotList {
public:
    virtual ~SlotList() = default;
    virtual void remove(std::uint64_t id) = 0;
    virtual bool holds(std::uint64_t id) const = 0;
};

} // namespace detail

// One slot connected to a Signal. Destroying the handle or calling disconnect() removes
// the slot; release() lets it stay connected for the rest of the signal's life (for a
// slot whose captures live as long as the signal's owner). Outliving the signal is safe.
class [[nodiscard]] Connection {
public:
    Connection() = default;
    Connection(std::weak_ptr<detail::SlotList> slots, std::uint64_t id)
        : slots_(std::move(slots)), id_(id) {}
    Connection(Connection&& other) noexcept
        : slots_(std::move(other.slots_)), id_(std::exchange(other.id_, 0)) {}
    Connection& operator=(Connection&& other) noexcept {
        if (this != &other) {
            disconnect();
            slots_ = std::move(other.slots_);
            id_ = std::exchange(other.id_, 0);
        }
        return *this;
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    ~Connection() { disconnect(); }

    void disconnect() {
        if (auto slots = slots_.lock())
            slots->remove(id_);
        release();
    }
    void release() {
        slots_.reset();
        id_ = 0;
    }
    bool connected() const {
        auto slots = slots_.lock();
        return slots && slots->holds(id_);
    }

private:
    std::weak_ptr<detail::SlotList> slots_;
    std::uint64_t id_ = 0;
};

// Tells views that a piece of window state changed. Logic classes own one per piece
// of state; the Qt widgets (and tests) connect to it and keep the handle as long as
// they can take the calls. Slots run in the order they were connected; one connected
// during an emission waits for the next, one removed during it is not called again.
template <typename... Args> class Signal {
public:
    Signal() = default;
    Signal(const Signal&) = delete;
    Signal& operator=(const Signal&) = delete;
    // An emission still running (its slot destroyed the owner) calls no further slot.
    ~Signal() { slots_->ended = true; }

    [[nodiscard]] Connection connect(std::function<void(Args...)> fn) {
        std::uint64_t id = slots_->nextId++;
        slots_->slots.push_back({id, std::move(fn)});
        return Connection(slots_, id);
    }

    void emit(Args... args) const {
        // A slot may destroy the signal's owner, or disconnect itself while it runs.
        std::shared_ptr<Slots> slots = slots_;
        ++slots->emitting;
        const std::size_t count = slots->slots.size();
        for (std::size_t i = 0; i < count && !slots->ended; ++i) {
            // A deque keeps the running slot in place when another is connected.
            const Slot& slot = slots->slots[i];
            if (slot.id != 0)
                slot.fn(args...);
        }
        if (--slots->emitting == 0)
            slots->sweep();
    }

private:
    struct Slot {
        std::uint64_t id; // 0 once removed
        std::function<void(Args...)> fn;
    };

    struct Slots final : detail::SlotList {
        std::deque<Slot> slots;
        std::uint64_t nextId = 1;
        int emitting = 0;
        bool ended = false;

        void remove(std::uint64_t id) override {
            for (Slot& slot : slots)
                if (slot.id == id && id != 0) {
                    // Erased once no emission walks the list any more.
                    slot.id = 0;
                    break;
                }
            if (emitting == 0)
                sweep();
        }
        bool holds(std::uint64_t id) const override {
            if (id == 0)
                return false;
            for (const Slot& slot : slots)
                if (slot.id == id)
                    return true;
            return false;
        }
        void sweep() {
            std::erase_if(slots, [](const Slot& slot) { return slot.id == 0; });
        }
    };

    std::shared_ptr<Slots> slots_ = std::make_shared<Slots>();
};

} // namespace lw
