#pragma once

#include <QAbstractTableModel>
#include <QStringList>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The rows of a list in report view: each item is a caption followed by its sub-items, shown under as many
// columns as there are headings. Sub-items beyond the last column stay in the item, unseen, as a list view keeps
// them. A view reads the texts through the model, so a long preview makes no widgets; the texts themselves are kept
// packed as UTF-8 (see Items), so a million participants cost tens of megabytes, not hundreds.
class PreviewModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // Items packed for memory: the texts of all items back to back as UTF-8, each after its length, in pages added
    // as the list grows (nothing already stored is copied; a page left behind gives back the room it did not fill),
    // plus one page-and-offset entry per item. An item's texts are contiguous in one page, and the items of a page
    // are consecutive rows, so an item ends where the next one in its page starts. A batch of Items built off the
    // model joins it without copying its pages.
    class Items {
    public:
        // Adds an item with this caption (UTF-8).
        void addItem(std::string_view caption);
        // Adds a sub-item to the last item.
        void addSubItem(std::string_view text);
        // Takes every item of other after its own, leaving other empty.
        void append(Items&& other);
        void clear();

        int count() const { return static_cast<int>(m_entries.size()); }
        // The text at index (0 the caption) of the item at row; empty when the item has fewer texts.
        QString text(int row, int index) const;
        QStringList item(int row) const;

    private:
        struct FreeBytes {
            void operator()(char* bytes) const { std::free(bytes); }
        };
        struct Page {
            std::unique_ptr<char, FreeBytes> bytes;
            std::uint32_t capacity = 0;
            std::uint32_t used = 0;
        };
        struct Entry {
            std::uint32_t page;
            std::uint32_t offset;
        };

        // The bytes of the item at row: its texts, each after its length.
        std::pair<const char*, const char*> bytes(std::size_t row) const;
        // Writes text at the end of the last page, starting a page when it is full; returns its offset there.
        std::uint32_t put(std::string_view text, bool toLastItem);
        void startPage(std::size_t needed, bool movingLastItem);
        static void shrink(Page& page);

        std::vector<Page> m_pages;
        std::vector<Entry> m_entries;
    };

    explicit PreviewModel(const QStringList& headings, QObject* parent = nullptr);

    // Adds items built off the model, as a preview read in batches does; items is left empty.
    void appendItems(Items&& items);
    void clear();

    int itemCount() const { return m_items.count(); }
    // The caption followed by every sub-item, shown or not, as a list item holds them.
    QStringList item(int row) const { return m_items.item(row); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    QStringList m_headings;
    Items m_items;
};
