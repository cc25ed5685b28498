// toveldom/xpath.hpp: XPath 1.0 queries for the host layer's handles.
//
//   toveldom::xpath_query q("//p:a[@b]", {{"p", "urn:x"}});   // compiled once
//   for (toveldom::node a : q.select(doc)) ...                  // document order
//   double total = toveldom::xpath_query("sum(//@n)").evaluate_number(doc);
//
// A query is compiled in its constructor and keeps nothing of an evaluation, so one query
// may be evaluated by several threads at once on separate documents. Variables are bound
// for one evaluation by an xpath_variables. Errors are thrown as toveldom::error of kind
// parse: code() is a TOVELXPathErrorCode (toveldom/xpath.h) and offset() the byte offset in
// the expression. The data model is the one toveldom/xpath.h describes; namespace nodes
// come back as the attributes that declare them.
#ifndef TOVELDOM_XPATH_HPP
#define TOVELDOM_XPATH_HPP

#include <cstdlib>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <toveldom/dom.hpp>
#include <toveldom/xpath.h>

namespace toveldom {

// Values for $name in one evaluation; a later set() of a name replaces the earlier.
class xpath_variables {
public:
    xpath_variables& set(std::string name, double value) {
        entry& e = slot(std::move(name));
        e.type = TOVELXPATH_NUMBER;
        e.number = value;
        return *this;
    }
    xpath_variables& set(std::string name, bool value) {
        entry& e = slot(std::move(name));
        e.type = TOVELXPATH_BOOLEAN;
        e.boolean = value;
        return *this;
    }
    xpath_variables& set(std::string name, std::string value) {
        entry& e = slot(std::move(name));
        e.type = TOVELXPATH_STRING;
        e.string = std::move(value);
        return *this;
    }
    xpath_variables& set(std::string name, const char* value) {
        return set(std::move(name), std::string(value ? value : ""));
    }
    xpath_variables& set(std::string name, std::vector<node> nodes) {
        entry& e = slot(std::move(name));
        e.type = TOVELXPATH_NODESET;
        e.nodes = std::move(nodes);
        return *this;
    }

private:
    friend class xpath_query;
    struct entry {
        std::string name;
        int type = TOVELXPATH_STRING;
        bool boolean = false;
        double number = 0;
        std::string string;
        std::vector<node> nodes;
    };
    entry& slot(std::string name) {
        entry fresh;
        fresh.name = std::move(name);
        for (entry& e : entries)
            if (e.name == fresh.name) return e = std::move(fresh);
        entries.push_back(std::move(fresh));
        return entries.back();
    }
    std::vector<entry> entries;
};

class xpath_query {
public:
    using bindings = std::vector<std::pair<std::string, std::string>>; // prefix, URI

    explicit xpath_query(std::string_view expression, const bindings& namespaces = {})
        : text(expression) {
        std::vector<const char*> pairs;
        for (const auto& b : namespaces) {
            pairs.push_back(b.first.c_str());
            pairs.push_back(b.second.c_str());
        }
        pairs.push_back(nullptr);
        TOVELXPathError error;
        compiled.reset(TOVELXPathCompile_7_4_0(text.c_str(), pairs.data(), &error));
        if (!compiled) raise(error);
    }

    const std::string& expression() const noexcept { return text; }

    // The selected nodes in document order; a result that is not a node-set is an error.
    std::vector<node> select(const node& context, const xpath_variables& variables = {}) const {
        result r;
        run(context, variables, 0, r);
        if (r.value.type != TOVELXPATH_NODESET) {
            TOVELXPathError error{TOVELXPATH_NODESET_EXPECTED, 0, 0,
                                  "the expression does not select nodes"};
            raise(error);
        }
        std::vector<node> out;
        const long n = r.value.nodes->get_length();
        out.reserve(size_t(n));
        for (long i = 0; i < n; ++i) out.push_back(node::adopt(r.value.nodes->get_item(i)));
        return out;
    }
    // The first selected node in document order; null when none was.
    node select_one(const node& context, const xpath_variables& variables = {}) const {
        std::vector<node> all = select(context, variables);
        return all.empty() ? node() : all.front();
    }
    // XPath's string(), number() and boolean() of the result.
    std::string evaluate_string(const node& context, const xpath_variables& variables = {}) const {
        result r;
        run(context, variables, TOVELXPATH_STRING, r);
        return r.value.string ? r.value.string : "";
    }
    double evaluate_number(const node& context, const xpath_variables& variables = {}) const {
        result r;
        run(context, variables, TOVELXPATH_NUMBER, r);
        return r.value.number;
    }
    bool evaluate_boolean(const node& context, const xpath_variables& variables = {}) const {
        result r;
        run(context, variables, TOVELXPATH_BOOLEAN, r);
        return r.value.boolean != 0;
    }

private:
    struct result {
        TOVELXPathResult value{};
        result() = default;
        result(const result&) = delete;
        result& operator=(const result&) = delete;
        ~result() { TOVELXPathClearResult_7_4_0(&value); }
    };

    [[noreturn]] static void raise(const TOVELXPathError& e) {
        throw error(error_kind::parse, e.code, e.message, {}, 0, 0, e.offset);
    }

    void run(const node& context, const xpath_variables& variables, int as, result& r) const {
        std::vector<TOVELXPathVariable> vars;
        std::vector<std::vector<LUMA_7_4_0::ITOVELDOMNode*>> sets(variables.entries.size());
        for (size_t i = 0; i < variables.entries.size(); ++i) {
            const xpath_variables::entry& e = variables.entries[i];
            for (const node& n : e.nodes) sets[i].push_back(n.get());
            vars.push_back(TOVELXPathVariable{e.name.c_str(), e.type, e.boolean, e.number,
                                              e.string.c_str(), sets[i].data(),
                                              long(sets[i].size())});
        }
        TOVELXPathError error;
        if (!TOVELXPathEvaluateAs_7_4_0(compiled.get(), context.get(), vars.data(),
                                        long(vars.size()), as, &r.value, &error))
            raise(error);
    }

    std::string text;
    std::unique_ptr<TOVELXPathQuery, void (*)(TOVELXPathQuery*)> compiled{nullptr,
                                                                          TOVELXPathFree_7_4_0};
};

inline std::vector<node>
node::select(std::string_view expression,
             const std::vector<std::pair<std::string, std::string>>& namespaces) const {
    return xpath_query(expression, namespaces).select(*this);
}

inline node
node::select_one(std::string_view expression,
                 const std::vector<std::pair<std::string, std::string>>& namespaces) const {
    return xpath_query(expression, namespaces).select_one(*this);
}

} // namespace toveldom

#endif
