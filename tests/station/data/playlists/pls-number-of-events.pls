[playlist]
NumberOfEvents=2
File2=http://b.example.cn/two
Title2=第二
File1=http://a.example.cn/one
Title1=第一
Version=2
