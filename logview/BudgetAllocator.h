#pragma once

#include <cstddef>
#include <memory>
#include <new>
#include <type_traits>

// What a store may allocate in all, and what it has allocated: every block
// its containers take is counted here, so the store can be given less memory
// than the machine has (to see what it does when memory runs out) and can
// say how much it holds.
struct MemoryBudget {
    std::size_t limit = static_cast<std::size_t>(-1);
    std::size_t used = 0;
    // The most held at once, and the largest single block, so far.
    std::size_t peak = 0;
    std::size_t largest = 0;
};

// Allocates from the heap, counting into a budget and refusing with
// std::bad_alloc whatever would go past its limit, as the heap itself does
// when it has nothing left. Containers that share a budget compare equal, so
// their contents move between them without copying.
template <typename T> class BudgetAllocator {
public:
    using value_type = T;
    using propagate_on_container_copy_assignment = std::true_type;
    using propagate_on_container_move_assignment = std::true_type;
    using propagate_on_container_swap = std::true_type;

    explicit BudgetAllocator(MemoryBudget& budget) noexcept
        : m_budget(&budget)
    {
    }
    template <typename U>
    BudgetAllocator(const BudgetAllocator<U>& other) noexcept
        : m_budget(other.Budget())
    {
    }

    T* allocate(std::size_t count)
    {
        const std::size_t bytes = count * sizeof(T);
        if (count > static_cast<std::size_t>(-1) / sizeof(T) || bytes > m_budget->limit - m_budget->used)
            throw std::bad_alloc();
        T* block = std::allocator<T>().allocate(count);
        m_budget->used += bytes;
        if (m_budget->used > m_budget->peak)
            m_budget->peak = m_budget->used;
        if (bytes > m_budget->largest)
            m_budget->largest = bytes;
        return block;
    }

    void deallocate(T* block, std::size_t count) noexcept
    {
        m_budget->used -= count * sizeof(T);
        std::allocator<T>().deallocate(block, count);
    }

    MemoryBudget* Budget() const noexcept { return m_budget; }

private:
    MemoryBudget* m_budget;
};

template <typename T, typename U>
bool operator==(const BudgetAllocator<T>& left, const BudgetAllocator<U>& right) noexcept
{
    return left.Budget() == right.Budget();
}

template <typename T, typename U>
bool operator!=(const BudgetAllocator<T>& left, const BudgetAllocator<U>& right) noexcept
{
    return !(left == right);
}
