#pragma once

#include <QByteArray>
#include <QString>
#include <httplib.h>

namespace pelnix::standin {

// The smart-message downloads, answered from the fixtures in fixtures/smart (compiled in):
//   GET xslt                      {"stylesheets": [{"name", "category", "data": XSLT text}]}
//   GET xslt/<name>[?category=c]  one {"name", "category", "data"}; 404 {"error", "reason", "statusCode"}
//   GET forms                     {"forms": [{"name", "category", "data": form definition object}]}
//   GET chatlets?version=v        {"version": v, "categories": {category: [chatlet]}}
namespace SmartFixtures {

void answer(const httplib::Request& request, httplib::Response& response);

// One fixture file's bytes ("poll.xsl", "forms.json", ...); empty when there is none.
QByteArray fixture(const QString& file);

} // namespace SmartFixtures
} // namespace pelnix::standin
