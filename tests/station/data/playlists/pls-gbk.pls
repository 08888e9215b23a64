[playlist]
File1=http://a.example.cn/gbk
Title1=¾­¼ÃÖ®Éù£¨éF£©
NumberOfEntries=1
