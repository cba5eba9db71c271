#include "part_drawing.h"

namespace celvo {

Drawing::Drawing(const char* data, std::size_t size)
{
    if (size == 0) throw xlerror("data is empty");
    bytes_.assign(data, size);
}

drawing::c_wsDr& Drawing::document()
{
    if (!parsed_) {
        load(bytes_.data(), bytes_.size());
        // Other writers may give two objects one id; ours never repeat.
        drawing::renumberRepeatedIds(root_);
        parsed_ = true;
        std::string().swap(bytes_);
    }
    return root_;
}

int Drawing::pictureCount()
{
    const auto& anchors = document().anchors;
    int count = 0;
    for (std::size_t i = 0; i < anchors.size(); ++i)
        if (drawing::pictureAnchor(*anchors.at(i))) ++count;
    return count;
}

const drawing::c_CT_TwoCellAnchor& Drawing::pictureAt(int index)
{
    const auto& anchors = document().anchors;
    if (index >= 0) {
        int n = 0;
        for (std::size_t i = 0; i < anchors.size(); ++i)
            if (const drawing::c_CT_TwoCellAnchor* a = drawing::pictureAnchor(*anchors.at(i)))
                if (n++ == index) return *a;
    }
    throw xlerror("picture index is out of range");
}

void Drawing::addPicture(const drawing::PictureCells& cells, const std::u16string& imageId)
{
    if (!drawing::addPictureAnchor(document(), cells, imageId)) throw xlerror("picture anchor is outside the sheet");
}

void Drawing::serialize(std::string& out)
{
    if (!parsed_) {
        out = bytes_;
        return;
    }
    // Items that hold nothing (made by an index access past the end) are
    // dropped; kept elements of later editions are items too and stay.
    auto& anchors = root_.anchors;
    for (std::size_t i = anchors.size(); i-- > 0;)
        if (!anchors.at(i)->choice.object()) anchors.erase(i);
    XmlFile<drawing::c_wsDr>::serialize(out);
}

}  // namespace celvo
