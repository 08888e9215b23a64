[playlist]
File1=http://a.example.cn/bom
Title1=带BOM的标题
NumberOfEntries=1
