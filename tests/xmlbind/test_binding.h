// A small hand-written binding, laid out as the generator lays out its
// classes: typed members and one descriptor table per class.
#pragma once

#include "nimb/binding.h"

namespace tb {

using namespace nimb;

inline const c_ns_entry* namespaces()
{
    static const c_ns_entry table[] = {{1000, "r", "urn:rel"}, {1001, "", "urn:main"}, {0, nullptr, nullptr}};
    return table;
}

inline enimb_error check_state(c_xml_reader& r, const std::u16string* v)
{
    static const char* const values[] = {"visible", "hidden", "veryHidden", nullptr};
    return check_enumeration(r, *v, values);
}

inline enimb_error validate_guid(c_xml_reader& r, const std::string& text)
{
    static const c_regex pattern("\\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\\}");
    return check_pattern(r, text, pattern);
}

inline enimb_error validate_percent(c_xml_reader& r, const std::string& text)
{
    static const c_big_int low("10"), high("400");
    return validate_range(r, text, low, high);
}

inline const c_value_spec<std::u16string>& spec_state()
{
    static const c_value_spec<std::u16string> s(0, "", nullptr, check_state, from_string_wstring, to_string_wstring);
    return s;
}
inline const c_value_spec<std::u16string>& spec_guid()
{
    static const c_value_spec<std::u16string> s(0, "", validate_guid, nullptr, from_string_wstring, to_string_wstring);
    return s;
}
inline const c_value_spec<c_binary>& spec_argb()
{
    static const c_value_spec<c_binary> s(2, "", validate_hex_binary, validate_hex_binary_length_4, from_string_binary,
                                          to_string_binary);
    return s;
}
inline const c_value_spec<int>& spec_percent()
{
    static const c_value_spec<int> s(2, "100", validate_percent, nullptr, from_string_int, to_string_int);
    return s;
}
inline const c_value_spec<std::u16string>& spec_note()
{
    static const c_value_spec<std::u16string> s(0, "none", nullptr, nullptr, from_string_wstring, to_string_wstring);
    return s;
}
inline const c_list_value_spec<std::u16string>& spec_refs()
{
    static const c_list_value_spec<std::u16string> s(spec_string());
    return s;
}

// <sheet name="" sheetId="" state="" r:id=""/>
struct c_CT_Sheet : c_binding_t<c_CT_Sheet> {
    c_simple<std::u16string> name;
    c_simple<unsigned> sheetId;
    c_simple<std::u16string> state{u"visible"};
    c_simple<std::u16string> id;

    static const c_class_desc& desc()
    {
        static const c_attribute_desc attrs[] = {
            {"name", 1, "name", true, &spec_string(), member<&c_CT_Sheet::name>},
            {"sheetId", 1, "sheetId", true, &spec_unsigned_int(), member<&c_CT_Sheet::sheetId>},
            {"state", 1, "state", false, &spec_state(), member<&c_CT_Sheet::state>},
            {"r:id", 1000, "id", true, &spec_string(), member<&c_CT_Sheet::id>},
        };
        static const c_class_desc d{"CT_Sheet", "ooxml/test", namespaces(), content_kind::empty, attrs, 4,
                                    nullptr, 0, nullptr, nullptr, create_object<c_CT_Sheet>, 0, nullptr};
        return d;
    }
};

// <title lang="">text</title>
struct c_CT_Label : c_binding_t<c_CT_Label> {
    c_simple<std::u16string> lang;
    c_simple<std::u16string> text;

    static const c_class_desc& desc()
    {
        static const c_attribute_desc attrs[] = {{"lang", 1, "lang", false, &spec_string(), member<&c_CT_Label::lang>}};
        static const c_class_desc d{"CT_Label", "ooxml/test", namespaces(), content_kind::simple, attrs, 1,
                                    nullptr, 0, &spec_note(), member<&c_CT_Label::text>, create_object<c_CT_Label>, 0,
                                    nullptr};
        return d;
    }
};

// <ext uri="">any one element</ext>
struct c_CT_Extension : c_binding_t<c_CT_Extension> {
    c_simple<std::u16string> uri;
    c_any_info content;

    static const c_class_desc& desc()
    {
        static const c_attribute_desc attrs[] = {{"uri", 1, "uri", false, &spec_any_uri(), member<&c_CT_Extension::uri>}};
        static const c_child_desc children[] = {
            {"", 0, "", child_kind::any, 1, 1, member<&c_CT_Extension::content>, nullptr, nullptr, nullptr, 0, nullptr, false}};
        static const c_class_desc d{"CT_Extension", "ooxml/test", namespaces(), content_kind::complex, attrs, 1,
                                    children, 1, nullptr, nullptr, create_object<c_CT_Extension>, 0, nullptr};
        return d;
    }
};

// <book guid="" color="" scale="" flag="" count="" percent="" refs="">
//   title? sheet+ note? marker? (size | weight)? ext*
// </book>
struct c_CT_Book : c_binding_t<c_CT_Book> {
    c_simple<std::u16string> guid;
    c_simple<c_binary> color;
    c_simple<double> scale;
    c_simple<bool> flag;
    c_simple<unsigned> count;
    c_simple<int> percent{100};
    c_simple_list<std::u16string> refs;
    ct_complex_optional<c_CT_Label> title;
    ct_complex_multi<c_CT_Sheet> sheets;
    c_simple<std::u16string> note;
    c_simple<c_empty> marker;
    c_choice measure{2};
    ct_complex_multi<c_CT_Extension> ext;

    static const c_class_desc& desc()
    {
        static const c_attribute_desc attrs[] = {
            {"guid", 1, "guid", false, &spec_guid(), member<&c_CT_Book::guid>},
            {"color", 1, "color", false, &spec_argb(), member<&c_CT_Book::color>},
            {"scale", 1, "scale", false, &spec_double(), member<&c_CT_Book::scale>},
            {"flag", 1, "flag", false, &spec_boolean(), member<&c_CT_Book::flag>},
            {"count", 1, "count", false, &spec_unsigned_int(), member<&c_CT_Book::count>},
            {"percent", 1, "percent", false, &spec_percent(), member<&c_CT_Book::percent>},
            {"refs", 1, "refs", false, &spec_refs(), member<&c_CT_Book::refs>},
        };
        static const c_choice_alternative measures[] = {
            {"size", 1001, "size", create_object<c_CT_Label>}, {"weight", 1001, "weight", create_object<c_CT_Label>}};
        static const c_child_desc children[] = {
            {"title", 1001, "title", child_kind::single, 0, 1, member<&c_CT_Book::title>, create_object<c_CT_Label>, nullptr, nullptr, 0, nullptr, false},
            {"sheet", 1001, "sheet", child_kind::list, 1, 0, member<&c_CT_Book::sheets>, create_object<c_CT_Sheet>, nullptr, nullptr, 0, nullptr, false},
            {"note", 1001, "note", child_kind::simple, 0, 1, member<&c_CT_Book::note>, nullptr, &spec_note(), nullptr, 0, nullptr, false},
            {"marker", 1001, "marker", child_kind::simple, 0, 1, member<&c_CT_Book::marker>, nullptr, &spec_empty(), nullptr, 0, nullptr, false},
            {"", 0, "", child_kind::choice, 0, 1, member<&c_CT_Book::measure>, nullptr, nullptr, measures, 2, nullptr, false},
            {"ext", 1001, "ext", child_kind::list, 0, 0, member<&c_CT_Book::ext>, create_object<c_CT_Extension>, nullptr, nullptr, 0, nullptr, false},
        };
        static const c_class_desc d{"CT_Book", "ooxml/test", namespaces(), content_kind::complex, attrs, 7,
                                    children, 6, nullptr, nullptr, create_object<c_CT_Book>, 0, nullptr};
        return d;
    }
};

}  // namespace tb

namespace tb {

// A recursive class: groups inside groups, and a repeated choice.
struct c_CT_Group : c_binding_t<c_CT_Group> {
    ct_complex_multi<c_CT_Group> groups;
    std::vector<c_choice> items;

    static const c_class_desc& desc()
    {
        static const c_choice_alternative alternatives[] = {
            {"size", 1001, "size", create_object<c_CT_Label>}, {"weight", 1001, "weight", create_object<c_CT_Label>}};
        static const c_child_desc children[] = {
            {"grp", 1001, "grp", child_kind::list, 0, 0, member<&c_CT_Group::groups>, create_object<c_CT_Group>, nullptr, nullptr, 0, nullptr, false},
            {"", 0, "", child_kind::choice_list, 0, 0, member<&c_CT_Group::items>, nullptr, nullptr, alternatives, 2, nullptr, false},
        };
        static const c_class_desc d{"CT_Group", "ooxml/test", namespaces(), content_kind::complex, nullptr, 0,
                                    children, 2, nullptr, nullptr, create_object<c_CT_Group>, 0, nullptr};
        return d;
    }
};

// A hand-written special case: the values of its "v" children are read
// and written by hooks through token tables instead of the generic
// sequence reader.
struct c_CT_Values : c_binding_t<c_CT_Values> {
    std::vector<c_simple<std::u16string>> values;

    static bool read_children(c_xml_reader& r, c_binding& object, enimb_error& error)
    {
        static const c_token_entry table[] = {{1001, "v", 1, 13}, {0, nullptr, 1, 1}};
        auto& self = static_cast<c_CT_Values&>(object);
        r.tokenise(table, true);
        while (r.token() == 13) {
            self.values.emplace_back();
            if ((error = r.unmarshal_element_value(spec_string(), &self.values.back(), table))) return false;
        }
        return true;
    }
    static enimb_error write_children(c_xml_writer& w, const c_binding& object)
    {
        for (const auto& v : static_cast<const c_CT_Values&>(object).values) w.marshal_element("v", spec_string(), &v, nullptr);
        return e_no_error;
    }
    static const c_class_desc& desc()
    {
        static const c_class_hooks hooks{read_children, write_children};
        static const c_class_desc d{"CT_Values", "ooxml/test", namespaces(), content_kind::complex, nullptr, 0,
                                    nullptr, 0, nullptr, nullptr, create_object<c_CT_Values>, cls_may_be_empty, &hooks};
        return d;
    }
};

}  // namespace tb
