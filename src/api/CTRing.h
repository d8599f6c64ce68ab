// A circular doubly linked list with a movable head, guarded by one recursive lock.
// A successful Find leaves the found node at the head, so repeated lookups of the
// same key cost one comparison.
#pragma once
#include <cstdint>
#include <mutex>
#include <new>

template <class T>
class CTRing {
public:
    struct Node {
        T record;
        Node *prev;
        Node *next;
    };

    CTRing() = default;
    CTRing(const CTRing &) = delete;
    CTRing &operator=(const CTRing &) = delete;

    // Makes a node holding a copy of the record the new head, between the former last
    // node and the former head. Returns false when no node could be allocated.
    virtual bool Insert(const T &record) {
        Node *node = new (std::nothrow) Node{record, nullptr, nullptr};
        if (!node)
            return false;
        std::lock_guard<std::recursive_mutex> lock(m_lock);
        if (!m_head) {
            node->prev = node->next = node;
            m_count = 1;
        } else {
            ++m_count;
            node->prev = m_head->prev;
            node->next = m_head;
            m_head->prev->next = node;
            m_head->prev = node;
        }
        m_head = node;
        return true;
    }

    // Walks the ring once from the head. On success the found node is the head; on
    // failure the head is left at the node that was last when the search began.
    bool Find(int32_t key) {
        std::lock_guard<std::recursive_mutex> lock(m_lock);
        if (!m_head)
            return false;
        const int32_t stopKey = m_head->prev->record.handle;
        if (m_head->record.handle == key)
            return true;
        for (;;) {
            if (m_head->record.handle == stopKey)
                return false;
            m_head = m_head->next;
            if (m_head->record.handle == key)
                return true;
        }
    }

    // Like Find, but leaves the head where it is.
    bool Contains(int32_t key) {
        std::lock_guard<std::recursive_mutex> lock(m_lock);
        if (!m_head)
            return false;
        Node *node = m_head;
        do {
            if (node->record.handle == key)
                return true;
            node = node->next;
        } while (node != m_head);
        return false;
    }

    int RemoveHead() {
        std::lock_guard<std::recursive_mutex> lock(m_lock);
        if (!m_head)
            return 0;
        Node *old = m_head;
        if (old->next == old) {
            m_count = 0;
            m_head = nullptr;
        } else {
            --m_count;
            old->prev->next = old->next;
            old->next->prev = old->prev;
            m_head = old->next;
        }
        delete old;
        return 1;
    }

    int Remove(int32_t key) {
        std::lock_guard<std::recursive_mutex> lock(m_lock);
        return Find(key) ? RemoveHead() : 0;
    }

    void RemoveAll() {
        std::lock_guard<std::recursive_mutex> lock(m_lock);
        while (RemoveHead()) {
        }
    }

    Node *Head() {
        std::lock_guard<std::recursive_mutex> lock(m_lock);
        return m_head;
    }
    int32_t Count() {
        std::lock_guard<std::recursive_mutex> lock(m_lock);
        return m_count;
    }

protected:
    ~CTRing() { RemoveAll(); }

    Node *m_head = nullptr;
    int32_t m_count = 0;
    std::recursive_mutex m_lock;
};
