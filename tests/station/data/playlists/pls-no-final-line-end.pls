[playlist]
NumberOfEntries=1
File1=http://a.example.cn/last