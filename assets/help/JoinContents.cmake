# Writes the contents tree and the index of the combined help, STAGE/Help.hhc and
# STAGE/Help.hhk, from those of the two languages: the contents put each language's tree under
# one entry of its own after the language choice, the index lists both languages' keywords.

# The text between the first <UL> and the last </UL> of a sitemap file: its top-level items.
function(sitemap_items file out_var)
  file(READ ${file} text)
  string(FIND "${text}" "<UL>" first)
  string(FIND "${text}" "</UL>" last REVERSE)
  if(first LESS 0 OR last LESS first)
    message(FATAL_ERROR "${file} holds no <UL> list")
  endif()
  math(EXPR start "${first} + 4")
  math(EXPR length "${last} - ${start}")
  string(SUBSTRING "${text}" ${start} ${length} items)
  set(${out_var} "${items}" PARENT_SCOPE)
endfunction()

function(sitemap_item out_var name local)
  set(${out_var} "<LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"${name}\"><param name=\"Local\" value=\"${local}\"></OBJECT>\n" PARENT_SCOPE)
endfunction()

set(head "<!DOCTYPE HTML PUBLIC \"-//IETF//DTD HTML//EN\">\n<HTML>\n<HEAD>\n<meta charset=\"utf-8\">\n</HEAD>\n<BODY>\n")
set(tail "</BODY>\n</HTML>\n")

sitemap_items(${STAGE}/en.hhc en_contents)
sitemap_items(${STAGE}/zh.hhc zh_contents)
sitemap_item(choice "Choose a language / 选择语言" "index.html")
sitemap_item(en_entry "English" "en/index.html")
sitemap_item(zh_entry "中文" "zh/index.html")
file(WRITE ${STAGE}/Help.hhc
  "${head}<UL>\n${choice}${en_entry}<UL>${en_contents}</UL>\n${zh_entry}<UL>${zh_contents}</UL>\n</UL>\n${tail}")

sitemap_items(${STAGE}/en.hhk en_index)
sitemap_items(${STAGE}/zh.hhk zh_index)
file(WRITE ${STAGE}/Help.hhk "${head}<UL>${en_index}${zh_index}</UL>\n${tail}")
